// The pieces of the covariance file's reader: a form's part of the file and the section readers
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/describe.h"
#include "common/findings.h"
#include "input/reader_parts.h"
#include "precision/covariance_checks.h"
#include "zol/zol.h"

namespace zol {

// A form's matrix holds the square of this many numbers at most (800 MB):
// beyond it, a file of standard errors for a long form would take more
// memory than a run can have, and a whole matrix more time than anyone waits.
inline constexpr std::size_t MOST_COVARIANCE_PARAMETERS = 10000;

// What a header names: the form, and a matrix of named parameters or
// standard errors by item.
struct SectionName {
  const char* keyword;
  FormRole role;
  bool matrix;
};

// One form's part of the file while it is read: the form's items by label,
// and the section that gave its covariance, once one has.
struct FormPart {
  FormRole role = FormRole::NEW;
  FormLabels labels;
  const SectionName* section = nullptr;
  std::int64_t header_line = 0;
  std::optional<Covariance> covariance;

  // A cause or warning about the form's covariance.
  std::string cause(const std::string& text) const {
    return describe("the %s form's covariance: %s", form_name(role), text.c_str());
  }
};

// Blanks separate fields: spaces, tabs, and carriage returns, so that a file
// saved on Windows reads the same even where a line feed does not follow one.
bool field_separator(char c);
// A line of nothing but blanks and its line feed.
bool covariance_blank_line(const std::string& line);
// The current line ends a section: blank, a header, or the end of the file.
bool ends_section(const LineReader& reader);

// Section readers, called with the reader at the section's header. Each
// leaves in reader.line the line after the section (empty at the end of the
// file) and fills covariance only on success; a failure's cause goes to
// findings, at the line of the fault, or of the header for the matrix as a
// whole.
//   A matrix: a line of the parameters' names, then a row a line, its lower
//   triangle or the whole matrix as the first row decides.
//   Standard errors: a record per item in any order, up to a blank line, a
//   header or the end of the file; a diagonal matrix of the listed items'
//   parameters in the form's order.
[[nodiscard]] bool read_matrix_section(LineReader& reader, const FormPart& part,
                                       Covariance& covariance, Findings& findings);
[[nodiscard]] bool read_standard_error_section(LineReader& reader, const FormPart& part,
                                               Covariance& covariance, Findings& findings);

}  // namespace zol
