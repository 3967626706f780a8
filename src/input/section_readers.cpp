// Readers of the item and quadrature sections, and the equal-weight default
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "common/allocation.h"
#include "common/describe.h"
#include "input/reader_parts.h"
#include "items/item_table.h"

namespace zol {

namespace {

// The columns of a quadrature are decided by the first COLUMN_PROBE_SIZE - 1
// characters of its first record line, and by how many of its first
// MAX_THETA_COLUMNS fields fit in FIELD_BUDGET characters with a terminator each.
constexpr std::size_t COLUMN_PROBE_SIZE = 80;
constexpr std::size_t FIELD_BUDGET = 40;
constexpr std::size_t MAX_THETA_COLUMNS = 2;

// A section's records are counted in 64 bits; more than a 32-bit count can
// hold is a failure, not a truncated count. One less than the largest 32-bit
// value: the stages count raw scores 0..n in 32 bits, and n + 1 must fit.
constexpr std::int64_t MOST_RECORDS = std::numeric_limits<std::int32_t>::max() - 1;

// 1 or 2 for a usable first line; a wide second field is not counted, so a
// quadrature written that way falls back to equal weights.
int theta_columns(const std::string& first_line) {
  char probe[COLUMN_PROBE_SIZE] = {};
  first_line.copy(probe, COLUMN_PROBE_SIZE - 1);
  char fields[FIELD_BUDGET];
  const char* starts[MAX_THETA_COLUMNS];
  return split_fields(probe, fields, starts);
}

// Whether a section's count of records is usable; says why not, at its header.
bool usable_count(const LineReader& reader, std::int64_t count, const std::string& section,
                  const char* records, Findings& findings) {
  if (count < 1) {
    findings.fail(at_line(reader, describe("%s has no %s: the line after its header is blank, "
                                           "another header or the end of the file",
                                           section.c_str(), records)));
    return false;
  }
  if (count > MOST_RECORDS) {
    findings.fail(at_line(reader, describe("%s has %lld %s; at most %lld are allowed",
                                           section.c_str(), static_cast<long long>(count), records,
                                           static_cast<long long>(MOST_RECORDS))));
    return false;
  }
  return true;
}

// Values the model takes that are almost always mistakes.
void warn_about_values(const LineReader& reader, const Item& item, Findings& findings) {
  for (const std::string& odd : item_oddities(item)) {
    findings.warn(at_line(reader, describe("warning: item %s: %s",
                                           printable(item.label.c_str()).c_str(), odd.c_str())));
  }
}

// A 3PL record "LABEL a b c": the current line, or its text without the
// model word that named it.
bool read_three_pl_record(const LineReader& reader, const std::string& record, Item& item,
                          Findings& findings) {
  LabelBuffer label{};
  int label_end = 0;
  scan_label(reader, record.c_str(), label, label_end);
  // Even the last line of the file must hold a whole record. The ends of
  // the fields, for the warnings of a record read only in part.
  int ends[4] = {label_end, 0, 0, 0};
  double values[3] = {};
  const char* at = record.c_str() + label_end;
  int scanned = label[0] == '\0' ? 0 : 1;
  for (std::size_t k = 0; scanned == static_cast<int>(k) + 1 && k < 3; ++k) {
    int used = 0;
    if (std::sscanf(at, " %lf%n", &values[k], &used) == 1) {
      at += used;
      ends[k + 1] = static_cast<int>(at - record.c_str());
      ++scanned;
    }
  }
  if (scanned != 4) {
    const std::string name =
        label[0] == '\0' ? std::string("an item (label, a, b, c)") : "item " + printable(label.data());
    Finding cause = at_line(reader, unscannable_record(reader, record, true, "a,b,c", name));
    if (!reader.mixed_format && names_a_model(record.c_str() + ends[0])) {
      cause.hint = Hint::MIXED_FORMAT;
    }
    findings.fail(std::move(cause));
    return false;
  }
  item = Item(label.data(), values[0], values[1], values[2]);
  for (std::size_t k = 0; k < 3; ++k) {
    if (!std::isfinite(values[k])) {
      findings.fail(at_line(
          reader, describe("item %s: %s %s is not a finite number",
                           printable(label.data()).c_str(), parameter_name(item, k).c_str(),
                           field_text(reader, record, true, k).c_str())));
      return false;
    }
  }
  warn_about_values(reader, item, findings);
  if (!read_whole(record, true, ends)) {
    warn_about_fields(reader, record, true, ends, "item " + printable(label.data()), findings);
  }
  return true;
}

}  // namespace

bool read_item_record(const LineReader& reader, Item& item, Findings& findings) {
  LabelBuffer label{};
  int label_end = 0;
  if (!reader.mixed_format || !scan_label(reader, reader.line.c_str(), label, label_end)) {
    return read_three_pl_record(reader, reader.line, item, findings);
  }
  const char* three_pl_rest = nullptr;
  const char* rest = reader.line.c_str() + label_end;
  switch (read_model_word(reader, label.data(), rest, &three_pl_rest, item, findings)) {
    case ModelWord::FAILED:
      return false;
    case ModelWord::PARTIAL_CREDIT:
      return true;
    case ModelWord::THREE_PL_NAMED: {
      // Read as the same record without its model word.
      const bool nothing_after = three_pl_rest[0] == '\0' || three_pl_rest[0] == '\n';
      const std::string record = reader.line.substr(0, static_cast<std::size_t>(label_end)) +
                                 (nothing_after ? "" : " ") + three_pl_rest;
      return read_three_pl_record(reader, record, item, findings);
    }
    case ModelWord::THREE_PL:
      break;
  }
  return read_three_pl_record(reader, reader.line, item, findings);
}

bool read_item_section(LineReader& reader, SectionKind kind, Form& form, Findings& findings) {
  const std::int64_t count = count_records(reader);
  const std::string title = section_title(kind);
  if (!usable_count(reader, count, title, "items", findings)) return false;
  const auto n = static_cast<std::size_t>(count);
  std::vector<Item> items;
  if (!reserve_vector(items, n)) {
    findings.fail_for_memory(
        at_line(reader, describe("not enough memory for the %zu items of %s", n, title.c_str())));
    return false;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!next_line(reader)) return false;
    Item item;
    if (!read_item_record(reader, item, findings)) return false;
    item.line = reader.number;
    items.push_back(std::move(item));
  }
  next_line(reader);
  warn_about_repeated_labels(items, title, findings);
  form.items = std::move(items);
  return true;
}

bool read_theta_section(LineReader& reader, SectionKind kind, std::optional<Quadrature>& theta,
                        Findings& findings) {
  const std::int64_t header_line = reader.number;
  const std::int64_t count = count_records(reader);
  if (!usable_count(reader, count, section_title(kind), "points", findings)) {
    return false;
  }
  if (!next_line(reader)) return false;
  const int columns = theta_columns(reader.line);
  if (columns == 1) warn_about_second_column(reader, findings);
  if (columns != 1 && columns != 2) {
    findings.fail(at_line(reader, describe("quadrature point %s is too long: the fields of the "
                                           "first line must fit in 40 characters",
                                           field_text(reader, reader.line, false, 0).c_str())));
    return false;
  }
  const auto q = static_cast<std::size_t>(count);
  Quadrature read;
  read.header_line = header_line;
  // A one-column quadrature gets equal weights, which the reader installs.
  if (!allocate_vector(read.points, q) || !allocate_vector(read.weights, q)) {
    findings.fail_for_memory(
        at_line(reader, describe("not enough memory for %zu quadrature points", q)));
    return false;
  }

  for (std::size_t i = 0; i < q; ++i) {
    if (i > 0 && !next_line(reader)) return false;
    double point = 0.0;
    double weight = 0.0;
    const char* line = reader.line.c_str();
    int ends[2] = {};
    const int scanned = columns == 2
                            ? std::sscanf(line, "%lf%n %lf%n", &point, &ends[0], &weight, &ends[1])
                            : std::sscanf(line, "%lf%n", &point, &ends[0]);
    if (scanned != columns) {
      findings.fail(at_line(
          reader, unscannable_record(reader, reader.line, false,
                                     columns == 2 ? "theta,weight" : "theta", "quadrature line")));
      return false;
    }
    if (!std::isfinite(point) || !std::isfinite(weight)) {
      const bool bad_point = !std::isfinite(point);
      findings.fail(at_line(
          reader, describe("theta %s %s is not a finite number", bad_point ? "point" : "weight",
                           field_text(reader, reader.line, false, bad_point ? 0 : 1).c_str())));
      return false;
    }
    if (weight < 0.0) {
      findings.warn(
          at_line(reader, describe("warning: theta %g has the negative weight %g", point, weight)));
    }
    const std::span<const int> read_ends(ends, static_cast<std::size_t>(columns));
    if (!read_whole(reader.line, false, read_ends)) {
      warn_about_fields(reader, reader.line, false, read_ends, "quadrature line", findings);
    }
    read.points[i] = point;
    read.weights[i] = weight;
  }
  next_line(reader);
  if (columns == 2) {
    warn_about_weight_total(header_line, read.weights, findings);
  } else {
    const double equal = 1.0 / static_cast<double>(count);
    for (double& weight : read.weights) weight = equal;
  }
  theta = std::move(read);
  return true;
}

}  // namespace zol
