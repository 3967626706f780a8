// The input file as a whole: section headers, the order of the sections, the defaults
#include "input_reader.h"

#include <cstring>
#include <new>

#include "input/reader_parts.h"

namespace zol {

namespace {

struct SectionName {
  const char* name;
  SectionKind kind;
};

// Tried in this order, so a keyword that begins more than one name (Link)
// selects the first of them.
constexpr SectionName SECTION_NAMES[] = {
    {"Item_Parameters", SectionKind::ITEM_PARAMETERS},
    {"Link_Item_Parameters", SectionKind::LINK_ITEM_PARAMETERS},
    {"Theta_Distribution", SectionKind::THETA_DISTRIBUTION},
    {"Link_Conversion", SectionKind::LINK_CONVERSION},
};

// A section that occurs again replaces the record that the earlier one filled.
bool read_section(SectionKind kind, LineReader& reader, InputRecords& records) {
  switch (kind) {
    case SectionKind::ITEM_PARAMETERS:
      return read_item_section(reader, records.new_form);
    case SectionKind::LINK_ITEM_PARAMETERS:
      return read_item_section(reader, records.old_form);
    case SectionKind::THETA_DISTRIBUTION:
      return read_theta_section(reader, records.theta);
    case SectionKind::LINK_CONVERSION:
      return read_conversion_section(reader, records.conversion);
    case SectionKind::NONE:
      break;
  }
  return false;
}

bool read_sections(LineReader& reader, InputRecords& records) {
  // Lines before the first header are titles and comments.
  do {
    if (!next_line(reader)) return false;
  } while (reader.line[0] != '$');
  SectionKind kind = section_keyword(reader.line);
  if (kind == SectionKind::NONE) return false;

  // The line right after a section decides: another header, or, whatever it
  // holds (a blank line too), the end of the input.
  while (kind != SectionKind::NONE) {
    if (!read_section(kind, reader, records)) return false;
    kind = section_keyword(reader.line);
  }

  if (!records.new_form.block || !records.old_form.block) return false;
  if (records.conversion.row_count == 0 &&
      !install_identity_conversion(records.old_form.count, records.conversion)) {
    return false;
  }
  return !records.theta.block || records.theta.has_weights || install_equal_weights(records.theta);
}

bool ends_keyword(char c) {
  return c == '\0' || c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

SectionKind section_keyword(const std::string& line) {
  // The text of a line ends at its first NUL, as the scans see it.
  if (line[0] != '$' || line.c_str()[1] == '\0') return SectionKind::NONE;
  const char* keyword = line.c_str() + 1;
  while (*keyword == ' ' || *keyword == '\t') ++keyword;
  std::size_t length = 0;
  while (!ends_keyword(keyword[length])) ++length;
  // Any leading part of a name selects it, down to an empty keyword, and
  // stored files rely on the short forms.
  for (const SectionName& section : SECTION_NAMES) {
    if (std::strncmp(keyword, section.name, length) == 0) return section.kind;
  }
  return SectionKind::NONE;
}

std::optional<InputRecords> read_input(std::FILE* input) {
  // Filled section by section; it reaches the caller only when the whole read
  // has succeeded.
  InputRecords records;
  LineReader reader{input, {}};
  try {
    if (!read_sections(reader, records)) return std::nullopt;
  } catch (const std::bad_alloc&) {
    // Only a line too long for the memory left can get here.
    return std::nullopt;
  }
  return records;
}

}  // namespace zol
