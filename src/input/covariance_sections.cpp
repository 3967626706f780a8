// The sections of a covariance file: a matrix of named parameters, or standard errors by item
#include "input/covariance_sections.h"

#include <cmath>
#include <cstdlib>

#include "common/describe.h"
#include "precision/covariance_checks.h"

namespace zol {

bool field_separator(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

bool covariance_blank_line(const std::string& line) {
  std::size_t at = 0;
  while (at < line.size() && field_separator(line[at])) ++at;
  return at == line.size() || line[at] == '\n';
}

bool ends_section(const LineReader& reader) {
  return reader.line.empty() || covariance_blank_line(reader.line) || reader.line[0] == '$';
}

namespace {

// The next field of the line from at, up to a blank or the line's end; false
// when the line has no more.
bool next_field(const std::string& line, std::size_t& at, std::string_view& field) {
  while (at < line.size() && field_separator(line[at])) ++at;
  if (at == line.size() || line[at] == '\n') return false;
  const std::size_t start = at;
  while (at < line.size() && !field_separator(line[at]) && line[at] != '\n') ++at;
  field = std::string_view(line).substr(start, at - start);
  return true;
}

// The number a whole field holds, as the C library reads numbers. The field
// lies in a line whose text ends in a terminator, so the scan stops within it.
bool field_number(std::string_view field, double& value) {
  if (field[0] == '\v' || field[0] == '\f') return false;  // which strtod would skip
  char* end = nullptr;
  value = std::strtod(field.data(), &end);
  return end == field.data() + field.size();
}

std::string quoted_field(std::string_view field) {
  return quoted(std::string(field).c_str());
}

// The numbers of the line from at into values; the cause, with where (the
// row or the item) and the number's place, at a field that is no finite number.
std::string scan_numbers(const std::string& line, std::size_t at, const std::string& where,
                         const char* place, std::vector<double>& values) {
  values.clear();
  std::string_view field;
  while (next_field(line, at, field)) {
    double value = 0.0;
    if (!field_number(field, value) || !std::isfinite(value)) {
      return describe("%s, %s %zu: %s is not a %snumber", where.c_str(), place, values.size() + 1,
                      quoted_field(field).c_str(), field_number(field, value) ? "finite " : "");
    }
    values.push_back(value);
  }
  return "";
}

// The names line of a matrix section, each name a parameter of the form, none twice.
bool read_names(LineReader& reader, const FormPart& part, std::vector<std::string>& names,
                Findings& findings) {
  if (!next_line(reader) || ends_section(reader)) {
    findings.fail({part.cause("the line after the header must name the parameters, "
                              "LABEL:NAME each (N01:a N01:b)"),
                   true, part.header_line});
    return false;
  }
  const ItemTable& table = *part.labels.table;
  std::vector<std::size_t> named(table.parameter_count(), table.parameter_count());
  std::size_t at = 0;
  std::string_view field;
  while (next_field(reader.line, at, field)) {
    std::size_t place = 0;
    std::string why = parameter_place(part.labels, field, place);
    if (why.empty() && named[place] != table.parameter_count()) {
      why = named_twice(field, named[place], names.size());
    }
    if (why.empty() && names.size() == MOST_COVARIANCE_PARAMETERS) {
      why = describe("more than %zu names; a form's covariance names at most %zu parameters",
                     MOST_COVARIANCE_PARAMETERS, MOST_COVARIANCE_PARAMETERS);
    }
    if (!why.empty()) {
      findings.fail(at_line(reader, part.cause(why)));
      return false;
    }
    named[place] = names.size();
    names.emplace_back(field);
  }
  return true;
}

// Why the matrix ends at the current line with only `rows` of its rows.
Finding too_few_rows(const LineReader& reader, const FormPart& part, std::size_t rows,
                     std::size_t n) {
  const std::string what = describe("the matrix has %zu names but only %zu rows before ", n, rows);
  if (reader.line.empty()) {
    return about_file(part.cause(what + "the end of the file: a row for each name"));
  }
  return at_line(reader, part.cause(what +
                                    (reader.line[0] == '$' ? "this header"
                                                           : "this blank "
                                                             "line") +
                                    ": a row for each name"));
}

// How many numbers row i holds, whole (every row n) or as a lower triangle
// (row i holds i), which the first row decides.
std::string row_count_problem(std::span<const std::string> names, std::size_t i, std::size_t count,
                              bool whole) {
  const std::size_t n = names.size();
  if (i == 0 && count != 1 && count != n) {
    return describe(
        "%s holds %zu numbers; a first row holds 1 (a lower triangle) or %zu (the "
        "whole matrix, one per name)",
        row_name(names, i).c_str(), count, n);
  }
  const std::size_t expected = whole ? n : i + 1;
  if (count == expected) return "";
  return describe("%s holds %zu numbers, but %s holds %zu", row_name(names, i).c_str(), count,
                  whole ? "each row of the whole matrix" : "that row of a lower triangle",
                  expected);
}

// The rows of a matrix section: each checked as it is read, the whole
// matrix's entries against their mirror images, then the matrix as a whole.
bool read_rows(LineReader& reader, const FormPart& part, Covariance& covariance,
               Findings& findings) {
  const std::span<const std::string> names = covariance.names;
  const std::size_t n = names.size();
  // The rows as read, whole or the lower triangle: no more memory than the
  // file's numbers take, until the last row has been read.
  std::vector<double> read, row;
  bool whole = false;
  for (std::size_t i = 0; i < n; ++i) {
    if (!next_line(reader) || ends_section(reader)) {
      findings.fail(too_few_rows(reader, part, i, n));
      return false;
    }
    std::string why = scan_numbers(reader.line, 0, row_name(names, i), "column", row);
    if (i == 0) whole = n > 1 && row.size() == n;
    if (why.empty()) why = row_count_problem(names, i, row.size(), whole);
    for (std::size_t j = 0; j < row.size() && why.empty(); ++j) {
      why = entry_problem(names, i, j, row[j]);
      if (why.empty() && whole && j < i)
        why = symmetry_problem(names, i, j, row[j], read[j * n + i]);
    }
    if (!why.empty()) {
      findings.fail(at_line(reader, part.cause(why)));
      return false;
    }
    read.insert(read.end(), row.begin(), row.end());
  }
  if (whole) {
    covariance.matrix = std::move(read);
  } else {
    covariance.matrix.assign(n * n, 0.0);
    for (std::size_t i = 0, k = 0; i < n; ++i) {
      for (std::size_t j = 0; j <= i; ++j, ++k) {
        covariance.matrix[i * n + j] = covariance.matrix[j * n + i] = read[k];
      }
    }
  }
  if (std::string why = definiteness_problem(names, covariance.matrix); !why.empty()) {
    findings.fail({part.cause(why), true, part.header_line});
    return false;
  }
  covariance.definite_fingerprint = covariance_fingerprint(names, covariance.matrix);
  next_line(reader);
  return true;
}

// A standard-error record, the current line: "LABEL se(a) se(b) se(c)" or
// "LABEL se(a) se(b1) .. se(b(K-1))". Fills the variances of the item's
// parameters and marks the item listed at this line.
std::string read_standard_error_record(const LineReader& reader, const FormPart& part,
                                       std::vector<std::int64_t>& listed,
                                       std::vector<double>& variances) {
  std::size_t at = 0;
  std::string_view label;
  next_field(reader.line, at, label);
  const std::string shown = printable(std::string(label).c_str());
  std::size_t items[2] = {0, 0};
  const std::size_t labelled = items_labelled(part.labels, label, items);
  if (labelled == 0) {
    return describe("no item of %s is labelled %s", part.labels.form.c_str(), shown.c_str());
  }
  if (labelled > 1) return "item " + shown + ": " + ambiguous_label(part.labels, label, items);
  const std::string what = "item " + shown;
  const std::size_t i = items[0];
  if (listed[i] != 0) {
    return describe("%s stands twice in the section, also on line %lld", what.c_str(),
                    static_cast<long long>(listed[i]));
  }
  listed[i] = reader.number;
  std::vector<double> errors;
  if (std::string why = scan_numbers(reader.line, at, what, "number", errors); !why.empty())
    return why;
  const Item& item = part.labels.table->items[i];
  if (errors.size() != parameter_count(item)) {
    return describe("%s has %zu standard errors, but one for each of its parameters, %s",
                    what.c_str(), errors.size(), parameter_list(item).c_str());
  }
  for (std::size_t k = 0; k < errors.size(); ++k) {
    const double variance = errors[k] * errors[k];
    const char* problem = errors[k] < 0.0           ? "is below 0"
                          : std::isfinite(variance) ? nullptr
                                                    : "squared is not a finite number";
    if (problem != nullptr) {
      return describe("%s: se(%s) %g %s", what.c_str(), parameter_name(item, k).c_str(), errors[k],
                      problem);
    }
    variances[part.labels.table->first_parameter[i] + k] = variance;
  }
  return "";
}

}  // namespace

bool read_standard_error_section(LineReader& reader, const FormPart& part, Covariance& covariance,
                                 Findings& findings) {
  const ItemTable& table = *part.labels.table;
  std::vector<std::int64_t> listed(table.size(), 0);
  std::vector<double> variances(table.parameter_count(), 0.0);
  while (next_line(reader) && !ends_section(reader)) {
    if (std::string why = read_standard_error_record(reader, part, listed, variances);
        !why.empty()) {
      findings.fail(at_line(reader, part.cause(why)));
      return false;
    }
  }
  std::vector<std::size_t> places;
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t k = 0; listed[i] != 0 && k < parameter_count(table.items[i]); ++k) {
      places.push_back(table.first_parameter[i] + k);
      covariance.names.push_back(table.items[i].label + ":" + parameter_name(table.items[i], k));
    }
  }
  std::string problem;
  if (places.empty()) {
    problem =
        "the section has no records: the line after its header is blank, another header "
        "or the end of the file";
  } else if (places.size() > MOST_COVARIANCE_PARAMETERS) {
    problem = describe(
        "the section gives the standard errors of %zu parameters; a form's "
        "covariance names at most %zu",
        places.size(), MOST_COVARIANCE_PARAMETERS);
  }
  if (!problem.empty()) {
    findings.fail({part.cause(problem), true, part.header_line});
    return false;
  }
  const std::size_t n = places.size();
  covariance.matrix.assign(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) covariance.matrix[i * n + i] = variances[places[i]];
  covariance.standard_errors_only = true;
  return true;
}

bool read_matrix_section(LineReader& reader, const FormPart& part, Covariance& covariance,
                         Findings& findings) {
  return read_names(reader, part, covariance.names, findings) &&
         read_rows(reader, part, covariance, findings);
}

}  // namespace zol
