// The input file as a whole: section headers, the order of the sections, the defaults
#include "input_reader.h"

#include <cstring>
#include <new>
#include <utility>

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

// Everything the sections fill. It reaches the caller only when the whole
// read has succeeded, so a failed read leaves the caller's records empty.
struct InputRecords {
  ItemSet new_form;
  ItemSet old_form;
  ThetaDistribution theta;
  ScaleConversion conversion;
};

// A section that occurs again replaces the record that the earlier one filled.
Status read_section(SectionKind kind, std::FILE* input, std::string& line, InputRecords& records) {
  switch (kind) {
    case SectionKind::ITEM_PARAMETERS:
      return read_item_section(input, line, records.new_form);
    case SectionKind::LINK_ITEM_PARAMETERS:
      return read_item_section(input, line, records.old_form);
    case SectionKind::THETA_DISTRIBUTION:
      return read_theta_section(input, line, records.theta);
    case SectionKind::LINK_CONVERSION:
      return read_conversion_section(input, line, records.conversion);
    case SectionKind::NONE:
      break;
  }
  return 1;
}

Status read_sections(std::FILE* input, InputRecords& records) {
  std::string line;
  // Lines before the first header are titles and comments.
  do {
    if (!read_line(input, line)) return 1;
  } while (line[0] != '$');
  SectionKind kind = section_keyword(line.c_str());
  if (kind == SectionKind::NONE) return 1;

  // The line right after a section decides: another header, or, whatever it
  // holds (a blank line too), the end of the input.
  while (kind != SectionKind::NONE) {
    if (const Status status = read_section(kind, input, line, records); status != 0) {
      return status;
    }
    kind = section_keyword(line.c_str());
  }

  if (!records.new_form.block || !records.old_form.block) return 1;
  if (records.conversion.row_count == 0) {
    if (const Status status =
            install_identity_conversion(records.old_form.count, records.conversion);
        status != 0) {
      return status;
    }
  }
  if (records.theta.block && !records.theta.has_weights) {
    return install_equal_weights(records.theta);
  }
  return 0;
}

bool ends_keyword(char c) {
  return c == '\0' || c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

SectionKind section_keyword(const char* line) {
  if (line[0] != '$' || line[1] == '\0') return SectionKind::NONE;
  const char* keyword = line + 1;
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

Status read_input(std::FILE* input, std::int32_t& n_new, std::int32_t& n_old, std::int32_t& n_theta,
                  ItemSet& new_form, ItemSet& old_form, ThetaDistribution& theta,
                  ScaleConversion& conversion) {
  n_new = 0;
  n_old = 0;
  n_theta = 0;
  new_form = ItemSet{};
  old_form = ItemSet{};
  theta = ThetaDistribution{};
  conversion = ScaleConversion{};

  InputRecords records;
  Status status = 1;
  try {
    status = read_sections(input, records);
  } catch (const std::bad_alloc&) {
    // Only a line too long for the memory left can get here.
    status = 1;
  }
  if (status != 0) return status;

  n_new = records.new_form.count;
  n_old = records.old_form.count;
  n_theta = records.theta.count;
  new_form = std::move(records.new_form);
  old_form = std::move(records.old_form);
  theta = std::move(records.theta);
  conversion = std::move(records.conversion);
  return 0;
}
