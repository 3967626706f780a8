// Warnings of the reader: rules of the format that probably hid a mistake in a file that reads
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "common/describe.h"
#include "input/reader_parts.h"
#include "items/item_table.h"
#include "observed/observed_score.h"

namespace zol {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

bool blank_line(const std::string& line) {
  for (char c : line) {
    if (!is_blank(c)) return false;
  }
  return true;
}

// The word that starts at text, up to the next blank.
std::string word_at(const char* text) {
  const char* end = text;
  while (!is_blank(*end)) ++end;
  return std::string(text, end);
}

}  // namespace

void warn_about_unread_rest(LineReader& reader, Findings& findings) {
  if (reader.line.empty()) return;
  const std::int64_t end_line = reader.number;
  const bool blank = blank_line(reader.line);
  std::int64_t lines = 0;
  bool any_text = false;
  std::string header;
  while (next_line(reader)) {
    ++lines;
    if (!blank_line(reader.line)) any_text = true;
    if (header.empty() && section_keyword(reader.line) != SectionKind::NONE) {
      header = printable(word_at(reader.line.c_str()).c_str());
    }
  }
  if (!any_text) return;
  findings.warn(
      {describe("warning: the input ends at this %s; %lld line%s after it %s not "
                "read%s%s",
                blank ? "blank line" : "line, which is no section header",
                static_cast<long long>(lines), lines == 1 ? "" : "s", lines == 1 ? "is" : "are",
                header.empty() ? "" : ", among them ", header.c_str()),
       true, end_line});
}

namespace {

// The first of the line's fields that was not read whole: the label (0 when
// with_label), a number cut short, or (ends.size()) more fields after the
// last one read; -1 when every field was read whole.
int first_cut(const std::string& line, bool with_label, std::span<const int> ends) {
  for (std::size_t k = 0; k < ends.size(); ++k) {
    if (!is_blank(line[static_cast<std::size_t>(ends[k])])) return static_cast<int>(k);
  }
  if (!with_label) return -1;
  for (std::size_t at = static_cast<std::size_t>(ends.back()); at < line.size(); ++at) {
    if (!is_blank(line[at])) return static_cast<int>(ends.size());
  }
  return -1;
}

// Where field k starts: after the blanks that follow the field before it.
const char* field_start(const std::string& line, std::span<const int> ends, std::size_t k) {
  const char* at = line.c_str() + (k == 0 ? 0 : ends[k - 1]);
  while (is_blank(*at) && *at != '\0') ++at;
  return at;
}

}  // namespace

bool read_whole(const std::string& record, bool with_label, std::span<const int> ends) {
  return first_cut(record, with_label, ends) < 0;
}

void warn_about_fields(const LineReader& reader, const std::string& line, bool with_label,
                       std::span<const int> ends, const std::string& record,
                       Findings& findings) {
  const int cut = first_cut(line, with_label, ends);
  if (cut < 0) return;
  const auto k = static_cast<std::size_t>(cut);
  const char* rest = line.c_str() + (k < ends.size() ? ends[k] : ends.back());
  while (k == ends.size() && is_blank(*rest)) ++rest;
  const std::string field = word_at(field_start(line, ends, k));
  const std::string after = quoted(word_at(rest).c_str());
  if (k == ends.size()) {
    findings.warn(at_line(reader, describe("warning: %s: %s and the rest of the line are not "
                                           "read; an item is a label and three numbers (is "
                                           "there a blank in the label?)",
                                           record.c_str(), after.c_str())));
  } else if (with_label && k == 0) {
    findings.warn(
        at_line(reader, describe("warning: %s: the label %s is longer than %zu "
                                 "characters; its rest %s was read as a, and the "
                                 "numbers after it one field later",
                                 record.c_str(), quoted(field.c_str()).c_str(),
                                 reader.label_width(), after.c_str())));
  } else {
    const std::string number(field_start(line, ends, k), line.c_str() + ends[k]);
    findings.warn(at_line(reader, describe("warning: %s: %s was read as the number %s; %s "
                                           "right after it is not read (a decimal comma? a "
                                           "unit?)",
                                           record.c_str(), quoted(field.c_str()).c_str(),
                                           number.c_str(), after.c_str())));
  }
}

void warn_about_repeated_labels(std::span<const Item> items, const std::string& title,
                                Findings& findings) {
  for (const auto& [item, first] : repeated_labels(items)) {
    findings.warn({describe("warning: item %s: the label stands twice in %s, also on line %lld",
                            printable(items[item].label.c_str()).c_str(), title.c_str(),
                            static_cast<long long>(items[first].line)),
                   true, items[item].line});
  }
}

void warn_about_second_column(const LineReader& reader, Findings& findings) {
  double point = 0.0;
  double weight = 0.0;
  if (std::sscanf(reader.line.c_str(), "%lf %lf", &point, &weight) != 2) return;
  findings.warn(at_line(reader,
                        "warning: quadrature: the weights are not read and every point "
                        "gets an equal weight, because this first line is too long for "
                        "its two columns to be seen: write its fields in at most 40 "
                        "characters, with fewer digits"));
}

void warn_about_weight_total(std::int64_t header_line, std::span<const double> weights,
                             Findings& findings) {
  double total = 0.0;
  if (weights_sum_to_one(weights, total)) return;
  findings.warn({describe("warning: quadrature weights sum to %g, not 1; they are used as "
                          "written, so the fitted score distributions sum to %g too",
                          total, total),
                 true, header_line});
}

}  // namespace zol
