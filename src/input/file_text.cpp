// A file's whole text, read in binary, and how reading it ended
#include "input/file_text.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

namespace zol {

namespace {

// Bytes read from a file at a time.
constexpr std::size_t READ_CHUNK = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FileText read_file_text(const std::string& path) {
  FileText read;
  try {
    // Binary: a carriage return before a line feed is dropped when the line
    // is read, on every platform alike.
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
      read.status = FileStatus::CANNOT_OPEN;
      read.error_number = errno;
      return read;
    }
    std::fpos_t start;
    if (std::fgetpos(file.get(), &start) != 0) {
      read.status = FileStatus::NOT_REGULAR;
      return read;
    }
    std::size_t got = 0;
    do {
      const std::size_t size = read.text.size();
      read.text.resize(size + READ_CHUNK);
      got = std::fread(read.text.data() + size, 1, READ_CHUNK, file.get());
      read.text.resize(size + got);
    } while (got == READ_CHUNK);
    if (std::ferror(file.get())) read.status = FileStatus::READ_ERROR;
  } catch (const std::bad_alloc&) {
    read.text.clear();
    read.status = FileStatus::NO_MEMORY;
  }
  return read;
}

}  // namespace zol
