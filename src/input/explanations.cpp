// Causes and warnings of the reader in the words of the input format
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/describe.h"
#include "input/reader_parts.h"

namespace zol {

namespace {

bool is_space(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::vector<std::string> split_names(const char* names) {
  std::vector<std::string> parts(1);
  for (const char* c = names; *c != '\0'; ++c) {
    if (*c == ',') {
      parts.emplace_back();
    } else {
      parts.back().push_back(*c);
    }
  }
  return parts;
}

// "a, b and c"
std::string listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) text += k + 1 == names.size() ? " and " : ", ";
    text += names[k];
  }
  return text;
}

std::string word_at(const char* start) {
  const char* end = start;
  while (*end != '\0' && !is_space(*end)) ++end;
  return std::string(start, end);
}

}  // namespace

Finding at_line(const LineReader& reader, std::string text) {
  return {std::move(text), true, reader.number};
}

Finding about_file(std::string text) {
  return {std::move(text), true, 0};
}

bool scan_label(const LineReader& reader, const char* text, LabelBuffer& label, int& end) {
  char format[16];
  std::snprintf(format, sizeof format, "%%%zus%%n", reader.label_width());
  end = 0;
  return std::sscanf(text, format, label.data(), &end) == 1;
}

std::string unscannable_record(const LineReader& reader, const std::string& line, bool with_label,
                               const char* names, const std::string& record) {
  const std::vector<std::string> fields = split_names(names);
  const char* at = line.c_str();
  int used = 0;
  LabelBuffer label;
  if (with_label && !scan_label(reader, at, label, used)) {
    return describe("a line of blanks stands where %s is expected", record.c_str());
  }
  const char* field_start = nullptr;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    at += used;
    double value = 0.0;
    if (std::sscanf(at, "%lf%n", &value, &used) == 1) {
      field_start = at;
      while (is_space(*field_start)) ++field_start;
      continue;
    }
    const char* next = at;
    while (is_space(*next)) ++next;
    if (*next == '\0') {
      return describe("%s has %zu number%s; %s %s needed", record.c_str(), k, k == 1 ? "" : "s",
                      listed(fields).c_str(), fields.size() == 1 ? "is" : "are");
    }
    // A word glued to the field before it (1,2 or a label of 9 characters)
    // was read in part as that field.
    const bool glued = next == at && at != line.c_str() && !is_space(at[-1]);
    if (glued && k == 0 && with_label) {
      return describe(
          "%s: a %s is not a number; a label is at most %zu characters, and the rest "
          "of a longer one is read as a",
          record.c_str(), quoted(word_at(next).c_str()).c_str(), reader.label_width());
    }
    if (glued && field_start != nullptr) {
      return describe("%s: %s %s is not a number", record.c_str(), fields[k - 1].c_str(),
                      quoted(word_at(field_start).c_str()).c_str());
    }
    return describe("%s: %s %s is not a number", record.c_str(), fields[k].c_str(),
                    quoted(word_at(next).c_str()).c_str());
  }
  return describe("%s does not scan", record.c_str());
}

std::string field_text(const LineReader& reader, const std::string& line, bool with_label,
                       std::size_t k) {
  const char* at = line.c_str();
  int used = 0;
  LabelBuffer label;
  if (with_label && !scan_label(reader, at, label, used)) return "''";
  for (std::size_t field = 0;; ++field) {
    at += used;
    while (is_space(*at)) ++at;
    double value = 0.0;
    if (field == k || std::sscanf(at, "%lf%n", &value, &used) != 1)
      return quoted(word_at(at).c_str());
  }
}

}  // namespace zol
