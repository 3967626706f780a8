// The pieces of the input reader: line input, section headers and section readers
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "records.h"

namespace zol {

// The stream being read and its current line: the line's characters, then
// its line feed when it has one (a carriage return right before the line
// feed is dropped, so that a file saved on Windows reads the same).
struct LineReader {
  std::FILE* input = nullptr;
  std::string line;
};

// Reads the next whole line, however long. False, with the line empty, when
// nothing could be read: at the end of the file or after a read error.
bool next_line(LineReader& reader);

// Number of lines from the current position up to the first blank line (one
// that starts with a line feed or a carriage return), the first line that
// starts with "$" or the end of the file. The position is restored; 0 when
// it cannot be.
std::int64_t count_records(LineReader& reader);

// Number of lines, up to most, from the current position to the end of the
// file, blank lines included. The position is restored; 0 when it cannot be.
std::int64_t count_lines_ahead(LineReader& reader, std::int64_t most);

// Copies the line's blank- or tab-separated fields into storage, each with a
// terminator, and stores where each begins in starts. Takes fields from the
// left while they fit in storage.size() characters and at most starts.size()
// of them; returns how many it took.
int split_fields(const char* line, std::span<char> storage, std::span<const char*> starts);

// What a "$" line selects; the values are the section numbers of the format.
enum class SectionKind : int {
  NONE = 0,
  ITEM_PARAMETERS = 1,
  LINK_ITEM_PARAMETERS = 2,
  THETA_DISTRIBUTION = 3,
  LINK_CONVERSION = 4,
};

SectionKind section_keyword(const std::string& line);

// Section readers, called with the reader right after the section's header.
// Each leaves in reader.line the line that follows the section (empty at the
// end of the file) and fills its record only on success.
[[nodiscard]] bool read_item_section(LineReader& reader, ItemSet& form);
[[nodiscard]] bool read_theta_section(LineReader& reader, ThetaDistribution& theta);
[[nodiscard]] bool read_conversion_section(LineReader& reader, ScaleConversion& conversion);

// The defaults, installed once every section has been read.
[[nodiscard]] bool install_identity_conversion(std::int32_t n_old, ScaleConversion& conversion);
[[nodiscard]] bool install_equal_weights(ThetaDistribution& theta);

}  // namespace zol
