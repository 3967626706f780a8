// A file's whole text, read in binary so that it reads the same on every platform
#pragma once

#include <string>

namespace zol {

// How reading a file ended: its text is whole (OK), or the file cannot be
// opened (its errno in error_number), is no regular file (a pipe, a terminal
// or a device, whose text cannot be read ahead), broke off with a read error
// (the text read by then is kept), or did not fit the memory left.
enum class FileStatus { OK, CANNOT_OPEN, NOT_REGULAR, READ_ERROR, NO_MEMORY };

struct FileText {
  FileStatus status = FileStatus::OK;
  std::string text;
  int error_number = 0;
};

FileText read_file_text(const std::string& path);

}  // namespace zol
