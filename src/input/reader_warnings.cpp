// Warnings of the reader: rules of the format that probably hid a mistake in a file that reads
#include <cctype>
#include <cmath>
#include <cstring>

#include "common/describe.h"
#include "input/reader_parts.h"

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

// Weights this close to a total of 1 were printed to a few decimals.
constexpr double WEIGHT_TOTAL_QUIET = 0.001;

}  // namespace

void warn_about_unread_rest(LineReader& reader, Findings& findings) {
  if (reader.line.empty()) return;
  const Finding end = at_line(reader, "");
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
  findings.warn({describe("warning: the input ends at this %s; %lld line%s after it %s not "
                          "read%s%s",
                          blank ? "blank line" : "line, which is no section header",
                          static_cast<long long>(lines), lines == 1 ? "" : "s",
                          lines == 1 ? "is" : "are", header.empty() ? "" : ", among them ",
                          header.c_str()),
                 true, end.line});
}

void warn_about_fields(const LineReader& reader, bool with_label, std::size_t numbers,
                       const std::string& record, Findings& findings) {
  const char* at = reader.line.c_str();
  int used = 0;
  char label[9];
  if (with_label) {
    if (std::sscanf(at, "%8s%n", label, &used) != 1) return;
    at += used;
    if (!is_blank(*at)) {
      findings.warn(at_line(reader, describe("warning: %s: the label %s is longer than 8 "
                                             "characters; its rest %s was read as a, and the numbers "
                                             "after it one field later",
                                             record.c_str(),
                                             quoted(word_at(at - std::strlen(label)).c_str()).c_str(),
                                             quoted(word_at(at).c_str()).c_str())));
      return;
    }
  }
  for (std::size_t k = 0; k < numbers; ++k) {
    double value = 0.0;
    while (is_blank(*at) && *at != '\0') ++at;
    const char* start = at;
    if (std::sscanf(at, "%lf%n", &value, &used) != 1) return;
    at += used;
    if (!is_blank(*at)) {
      findings.warn(at_line(reader, describe("warning: %s: %s was read as the number %g; %s "
                                             "right after it is not read (a decimal comma? "
                                             "a unit?)",
                                             record.c_str(), quoted(word_at(start).c_str()).c_str(),
                                             value, quoted(word_at(at).c_str()).c_str())));
      return;
    }
  }
  while (is_blank(*at) && *at != '\0') ++at;
  if (with_label && *at != '\0') {
    findings.warn(at_line(reader, describe("warning: %s: %s and the rest of the line are not "
                                           "read; an item is a label and three numbers (is "
                                           "there a blank in the label?)",
                                           record.c_str(), quoted(word_at(at).c_str()).c_str())));
  }
}

void warn_about_second_column(const LineReader& reader, Findings& findings) {
  double point = 0.0;
  double weight = 0.0;
  if (std::sscanf(reader.line.c_str(), "%lf %lf", &point, &weight) != 2) return;
  findings.warn(at_line(reader, "warning: quadrature: the weights are not read and every point "
                                "gets an equal weight, because this first line is too long for "
                                "its two columns to be seen: write its fields in at most 40 "
                                "characters, with fewer digits"));
}

void warn_about_weight_total(std::int64_t header_line, std::span<const double> weights,
                             Findings& findings) {
  double total = 0.0;
  for (double weight : weights) total += weight;
  if (!(std::fabs(total - 1.0) > WEIGHT_TOTAL_QUIET)) return;
  findings.warn({describe("warning: quadrature weights sum to %g, not 1; they are used as "
                          "written, so the fitted score distributions sum to %g too",
                          total, total),
                 true, header_line});
}

}  // namespace zol
