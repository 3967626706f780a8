// The input file as a whole: section headers, the order of the sections, the defaults
#include "input/input_reader.h"

#include <cstring>
#include <new>

#include "common/describe.h"
#include "input/reader_parts.h"

namespace zol {

namespace {

struct SectionName {
  const char* name;
  SectionKind kind;
  const char* title;
};

// Tried in this order, so a keyword that begins more than one name (Link)
// selects the first of them.
constexpr SectionName SECTION_NAMES[] = {
    {"Item_Parameters", SectionKind::ITEM_PARAMETERS, "$Item_Parameters (the new form)"},
    {"Link_Item_Parameters", SectionKind::LINK_ITEM_PARAMETERS,
     "$Link_Item_Parameters (the old form)"},
    {"Theta_Distribution", SectionKind::THETA_DISTRIBUTION, "$Theta_Distribution"},
    {"Link_Conversion", SectionKind::LINK_CONVERSION, "$Link_Conversion"},
    // Last, so that every keyword that selected a section before it was
    // added selects the same one: Link_T and longer leading parts only.
    {"Link_Theta_Distribution", SectionKind::LINK_THETA_DISTRIBUTION,
     "$Link_Theta_Distribution (the old group)"},
};

// A section that occurs again replaces the record that the earlier one filled.
bool read_section(SectionKind kind, LineReader& reader, Input& input, Findings& findings) {
  switch (kind) {
    case SectionKind::ITEM_PARAMETERS:
      return read_item_section(reader, kind, input.new_form, findings);
    case SectionKind::LINK_ITEM_PARAMETERS:
      return read_item_section(reader, kind, input.old_form, findings);
    case SectionKind::THETA_DISTRIBUTION:
      return read_theta_section(reader, kind, input.theta, findings);
    case SectionKind::LINK_THETA_DISTRIBUTION:
      return read_theta_section(reader, kind, input.old_theta, findings);
    case SectionKind::LINK_CONVERSION:
      return read_conversion_section(reader, input.conversion, findings);
    case SectionKind::NONE:
      break;
  }
  return false;
}

bool has_byte_order_mark(const std::string& line) {
  return line.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// Why no line of the file could be a section header.
std::string no_header(const LineReader& reader, const std::string& first_line) {
  if (reader.number == 0) return "the file is empty";
  if (has_byte_order_mark(first_line)) {
    return "no line starts with '$'; the file starts with a byte order mark, which hides the "
           "first header: save it as plain text without one";
  }
  if (first_line.size() >= 2 && (first_line[0] == '\0' || first_line[1] == '\0')) {
    return "no line starts with '$'; the file looks like UTF-16: save it as plain text";
  }
  return "no line starts with '$', so the file has no section header";
}

// Why the input ended without one of the forms, at the line that ended it.
Finding missing_form(const LineReader& reader, const char* title, const std::string& first_line) {
  const char* hint = has_byte_order_mark(first_line)
                         ? "; the file starts with a byte order mark, which hides a header on "
                           "its first line: save it without one"
                         : "";
  if (reader.line.empty()) return about_file(describe("the file ends without %s%s", title, hint));
  const bool blank = reader.line[0] == '\n' || reader.line[0] == '\r';
  return at_line(reader,
                 describe("the input ends at this %s, without %s; only a header may "
                          "follow a section%s",
                          blank ? "blank line" : "line, which is no section header", title, hint));
}

bool read_sections(LineReader& reader, Input& input, Findings& findings) {
  // Lines before the first header are titles and comments.
  std::string first_line;
  do {
    if (!next_line(reader)) {
      findings.fail(about_file(no_header(reader, first_line)));
      return false;
    }
    if (reader.number == 1) first_line = reader.line;
  } while (reader.line[0] != '$');
  SectionKind kind = section_keyword(reader.line);
  if (kind == SectionKind::NONE) {
    const bool returns = reader.line.find('\r') != std::string::npos;
    findings.fail(at_line(reader, describe("%s is not a section header: the first header must "
                                           "be $Item_Parameters, $Link_Item_Parameters, "
                                           "$Theta_Distribution or $Link_Conversion, or a "
                                           "leading part of one, in that case%s",
                                           quoted(reader.line.c_str()).c_str(),
                                           returns ? "; the lines end in carriage returns "
                                                     "alone, which do not end a line here"
                                                   : "")));
    return false;
  }

  // The line right after a section decides: another header, or, whatever it
  // holds (a blank line too), the end of the input.
  while (kind != SectionKind::NONE) {
    if (!read_section(kind, reader, input, findings)) return false;
    kind = section_keyword(reader.line);
  }

  for (const auto& [form, title] : {std::pair{&input.new_form, SECTION_NAMES[0].title},
                                    std::pair{&input.old_form, SECTION_NAMES[1].title}}) {
    if (form->items.empty()) {
      findings.fail(missing_form(reader, title, first_line));
      return false;
    }
  }
  // The old group's distribution is one of two groups: the new group's is
  // needed beside it.
  if (input.old_theta && !input.theta) {
    findings.fail(about_file("the file has $Link_Theta_Distribution, the old group's ability "
                             "distribution, but no $Theta_Distribution for the new group; give "
                             "both, or the one population's as $Theta_Distribution"));
    return false;
  }
  warn_about_unread_rest(reader, findings);
  return true;
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

const char* section_title(SectionKind kind) {
  for (const SectionName& section : SECTION_NAMES) {
    if (section.kind == kind) return section.title;
  }
  return "";
}

std::optional<Input> read_input(std::string_view text, const ReadOptions& options,
                                Findings& findings) {
  // Filled section by section; it reaches the caller only when the whole read
  // has succeeded.
  Input input;
  LineReader reader{text, 0, {}, 0, options.mixed_format};
  try {
    if (!read_sections(reader, input, findings)) return std::nullopt;
  } catch (const std::bad_alloc&) {
    // Only a line too long for the memory left can get here.
    findings.fail_for_memory({"this line is too long for the memory left", true, reader.number + 1});
    return std::nullopt;
  }
  return input;
}

}  // namespace zol
