// The covariance file: the covariances of both forms' estimates, read and checked against an input
#include <new>
#include <system_error>

#include "common/describe.h"
#include "common/errors.h"
#include "input/covariance_sections.h"
#include "input/file_text.h"

namespace zol {

namespace {

constexpr SectionName SECTIONS[] = {
    {"$Item_Covariance", FormRole::NEW, true},
    {"$Link_Item_Covariance", FormRole::OLD, true},
    {"$Item_Standard_Errors", FormRole::NEW, false},
    {"$Link_Item_Standard_Errors", FormRole::OLD, false},
};

// The section a header line names: its keyword written whole (no leading
// part of it, as the input file allows, so that no future section's name
// can mean an old one), alone on the line but for blanks after it.
const SectionName* section_named(const std::string& line) {
  std::size_t end = line.size();
  while (end > 0 && (field_separator(line[end - 1]) || line[end - 1] == '\n')) --end;
  const std::string_view keyword(line.data(), end);
  for (const SectionName& section : SECTIONS) {
    if (keyword == section.keyword) return &section;
  }
  return nullptr;
}

// Why the current line, where a header must stand, is none.
Finding no_header(const LineReader& reader) {
  const std::string& line = reader.line;
  const std::size_t carriage_return = line.find('\r');
  const char* why = line.compare(0, 3, "\xEF\xBB\xBF") == 0 && reader.number == 1
                        ? "; the file starts with a byte order mark: save it as plain text "
                          "without one"
                    : carriage_return != std::string::npos && carriage_return + 1 < line.size()
                        ? "; the lines end in carriage returns alone, which do not end a line here"
                        : "";
  return at_line(reader, describe("%s is not a section header of a covariance file: its headers "
                                  "are $Item_Covariance, $Link_Item_Covariance, "
                                  "$Item_Standard_Errors and $Link_Item_Standard_Errors, each "
                                  "written whole and alone on its line%s",
                                  quoted(line.c_str()).c_str(), why));
}

// Why the line after a section, or after the blank lines that follow it, is
// wrong: it is no header. Right after a matrix it is most likely a row too many.
Finding stray_line(const LineReader& reader, const FormPart& part, bool right_after) {
  if (right_after && part.section->matrix) {
    const std::size_t n = part.covariance->names.size();
    return at_line(reader, part.cause(describe(
                               "this line follows the matrix's last row (a row for each of its "
                               "%zu name%s) but is neither blank nor a section header",
                               n, n == 1 ? "" : "s")));
  }
  return at_line(reader,
                 "this line is neither blank nor a section header: between sections "
                 "stand only blank lines");
}

// Every section of the file, each read and checked against its form. Blank
// lines may stand before, between and after the sections, nothing else: a
// line that is not meant as a header would otherwise hide a section.
bool read_sections(LineReader& reader, std::span<FormPart, 2> parts, Findings& findings) {
  while (next_line(reader) && covariance_blank_line(reader.line)) {
  }
  if (reader.line.empty()) {
    findings.fail(about_file(reader.number == 0 ? "the file is empty"
                                                : "the file has blank lines alone, no section"));
    return false;
  }
  while (!reader.line.empty()) {
    const SectionName* section = section_named(reader.line);
    if (section == nullptr) {
      findings.fail(no_header(reader));
      return false;
    }
    FormPart& part = parts[section->role == FormRole::NEW ? 0 : 1];
    if (part.section != nullptr) {
      findings.fail(at_line(
          reader, part.section == section
                      ? describe("%s stands twice, also on line %lld", section->keyword,
                                 static_cast<long long>(part.header_line))
                      : part.cause(describe("%s on line %lld gives it already; give the matrix "
                                            "or the standard errors, not both",
                                            part.section->keyword,
                                            static_cast<long long>(part.header_line)))));
      return false;
    }
    part.section = section;
    part.header_line = reader.number;
    Covariance covariance;
    if (!(section->matrix ? read_matrix_section(reader, part, covariance, findings)
                          : read_standard_error_section(reader, part, covariance, findings))) {
      return false;
    }
    part.covariance = std::move(covariance);
    bool right_after = true;
    for (; !reader.line.empty() && covariance_blank_line(reader.line); right_after = false) {
      next_line(reader);
    }
    if (!reader.line.empty() && reader.line[0] != '$') {
      findings.fail(stray_line(reader, part, right_after));
      return false;
    }
  }
  return true;
}

std::optional<ReadCovariance> read_covariance(std::string_view text, const Input& input,
                                              Findings& findings) {
  const ItemTable tables[2] = {item_table(input.new_form), item_table(input.old_form)};
  FormPart parts[2];
  for (std::size_t f = 0; f < 2; ++f) {
    parts[f].role = f == 0 ? FormRole::NEW : FormRole::OLD;
    parts[f].labels = form_labels(tables[f], describe("the %s form", form_name(parts[f].role)));
  }
  LineReader reader{text, 0, {}, 0};
  if (!read_sections(reader, parts, findings)) return std::nullopt;
  for (const FormPart& part : parts) {
    if (part.section == nullptr) {
      findings.warn(
          about_file(describe("warning: the %s form has no covariance: all its "
                              "parameters are held fixed",
                              form_name(part.role))));
    } else if (!part.section->matrix) {
      findings.warn(
          {"warning: " + part.cause("standard errors alone; the covariances are taken as 0"), true,
           part.header_line});
    }
  }
  return ReadCovariance{std::move(parts[0].covariance), std::move(parts[1].covariance), {}};
}

Error read_failure(ErrorKind kind, Finding cause, const std::string& name) {
  return explained_error(kind, Stage::READING, std::move(cause), name);
}

}  // namespace

Expected<ReadCovariance> read_covariance_text(std::string_view text, const std::string& name,
                                              const Input& input) {
  try {
    Findings findings;
    std::optional<ReadCovariance> read = read_covariance(text, input, findings);
    if (!read) return read_failure(ErrorKind::INVALID_INPUT, findings.failure, name);
    read->warnings.kept = std::move(findings.warnings);
    read->warnings.not_kept = findings.warnings_not_kept;
    return std::move(*read);
  } catch (const std::bad_alloc&) {
    return read_failure(ErrorKind::NO_MEMORY,
                        about_file("not enough memory to read the covariance file"), name);
  }
}

Expected<ReadCovariance> read_covariance_file(const std::string& path, const Input& input) {
  FileText file = read_file_text(path);
  switch (file.status) {
    case FileStatus::CANNOT_OPEN:
      return read_failure(
          ErrorKind::CANNOT_OPEN_INPUT,
          about_run(path.empty() ? std::string("no covariance file name was given")
                                 : "cannot open covariance file '" + path + "': " +
                                       std::generic_category().message(file.error_number)),
          path);
    case FileStatus::NOT_REGULAR:
      // A pipe is refused as the input file is, so that both read alike.
      return read_failure(ErrorKind::INVALID_INPUT,
                          about_file("the covariance file must be a regular file, not a pipe, a "
                                     "terminal or a device"),
                          path);
    case FileStatus::READ_ERROR:
      // A file cut short would hold fewer records than were written, each
      // held fixed without a word: refused instead.
      return read_failure(ErrorKind::INVALID_INPUT,
                          about_file("the covariance file could not be read to its end"), path);
    case FileStatus::NO_MEMORY:
      return read_failure(ErrorKind::NO_MEMORY,
                          about_file("the file is too large for the memory left"), path);
    case FileStatus::OK:
      break;
  }
  return read_covariance_text(file.text, path, input);
}

}  // namespace zol
