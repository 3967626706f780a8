// Reader of the sectioned input file: item sets, quadrature and conversion table
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "records.h"

// Reads the whole input from the stream and installs the defaults (identity
// conversion on the old form's raw scores, equal weights for a one-column
// quadrature). Returns 0 on success; after a failure the records hold nothing.
[[nodiscard]] Status read_input(std::FILE* input, std::int32_t& n_new, std::int32_t& n_old,
                                std::int32_t& n_theta, ItemSet& new_form, ItemSet& old_form,
                                ThetaDistribution& theta, ScaleConversion& conversion);

// The pieces of the reader, for its tests.

// What a "$" line selects; the values are the section numbers of the format.
enum class SectionKind : int {
  NONE = 0,
  ITEM_PARAMETERS = 1,
  LINK_ITEM_PARAMETERS = 2,
  THETA_DISTRIBUTION = 3,
  LINK_CONVERSION = 4,
};

// The kind that a line (with its line feed, when it has one) selects.
SectionKind section_keyword(const char* line);

// Reads one whole line, however long, into line: its characters, then its line
// feed when it has one (a carriage return right before the line feed is
// dropped). Returns false, with line empty, when nothing could be read: at the
// end of the file or after a read error.
bool read_line(std::FILE* input, std::string& line);

// Number of lines from the current position up to the first blank line (one
// that starts with a line feed or a carriage return), the first line that
// starts with marker (none when marker is null or empty) or the end of the
// file. The position is restored; 0 when it cannot be.
std::int64_t count_lines_until(std::FILE* input, const char* marker);
std::int64_t count_records(std::FILE* input);

// Number of lines, up to most, from the current position to the end of the
// file, blank lines included. The position is restored; 0 when it cannot be.
std::int64_t count_lines_ahead(std::FILE* input, std::int64_t most);

// Copies the line's blank- or tab-separated fields into storage, each with a
// terminator, and stores where each begins in starts. Takes fields from the
// left while they fit in storage.size() characters and at most most_fields of
// them (starts holds at least that many); returns how many it took.
int split_fields(int most_fields, std::span<char> storage, const char* line,
                 std::span<const char*> starts);

// Section readers: called with the stream right after the section's header.
// Each leaves in line the line that follows the section (empty at the end of
// the file) and fills its record only on success.
[[nodiscard]] Status read_item_section(std::FILE* input, std::string& line, ItemSet& form);
[[nodiscard]] Status read_theta_section(std::FILE* input, std::string& line,
                                        ThetaDistribution& theta);
[[nodiscard]] Status read_conversion_section(std::FILE* input, std::string& line,
                                             ScaleConversion& conversion);

// The defaults, installed once every section has been read.
[[nodiscard]] Status install_identity_conversion(std::int32_t n_old, ScaleConversion& conversion);
[[nodiscard]] Status install_equal_weights(ThetaDistribution& theta);
