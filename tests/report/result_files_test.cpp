// The CSV of every worked input agrees with its report: same values to the printed decimals, same
// cells
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "zol/zol.h"

namespace zol {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back().push_back(c);
    }
  }
  return parts;
}

// The report's lines after a heading line, one per raw score.
std::vector<std::string> table(const std::string& report, const std::string& heading) {
  const std::size_t at = report.find(heading + "\n");
  if (at == std::string::npos) return {};
  std::vector<std::string> lines = split(report.substr(at + heading.size() + 1), '\n');
  std::size_t rows = 0;
  while (rows < lines.size() && !lines[rows].empty()) ++rows;
  lines.resize(rows);
  return lines;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The CSV cell as the report prints it: decimals places, or empty.
std::string printed(const std::string& cell, int decimals) {
  if (cell.empty()) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::stod(cell));
  return text;
}

TEST(ResultFilesTest, CsvAgreesWithTheReport) {
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(source_path("tests/cases/golden"))) {
    for (const auto& file : std::filesystem::directory_iterator(entry.path() / "in")) {
      inputs.push_back(file.path());
    }
  }
  ASSERT_GE(inputs.size(), 9u);
  for (const auto& input : inputs) {
    const std::string name = input.filename().string();
    const Expected<ReadInput> read = read_input_file(input.string());
    ASSERT_TRUE(read) << name;
    const Expected<Results> results = equate(read->input, {});
    ASSERT_TRUE(results) << name;
    const std::string report = *format_report(*results);
    std::vector<std::string> rows = split(*format_csv(*results), '\n');
    ASSERT_EQ(rows.back(), "") << name << ": the last line ends with a line feed";
    rows.pop_back();
    ASSERT_EQ(rows.front(),
              "raw,theta,true_equated,true_scale,true_scale_rounded,new_fitted,old_fitted,"
              "observed_equated,observed_scale,observed_scale_rounded")
        << name;
    const auto true_rows =
        table(report, "Score   Equivalent   Equivalent   Scale Score    Scale Score");
    const auto observed_rows = table(report, "Score   Raw Score    Scale Score    Scale Score");
    const auto fitted_rows = table(report, "Score     New Form       Old Form");
    // One row per raw score of the longer form, whose length only the fitted
    // distributions show.
    const std::size_t longer = rows.size() - 1;
    ASSERT_GE(longer, true_rows.size()) << name;
    ASSERT_TRUE(fitted_rows.empty() || longer == fitted_rows.size()) << name;

    for (std::size_t raw = 0; raw < longer; ++raw) {
      const std::vector<std::string> cells = split(rows[raw + 1], ',');
      ASSERT_EQ(cells.size(), 10u) << name << ", raw " << raw;
      EXPECT_EQ(cells[0], std::to_string(raw)) << name;
      const bool new_score = raw < true_rows.size();
      std::string t[5];
      if (new_score) std::istringstream(true_rows[raw]) >> t[0] >> t[1] >> t[2] >> t[3] >> t[4];
      EXPECT_EQ(printed(cells[1], 4), t[1] == "---------" ? "" : t[1]) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[2], 4), t[2]) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[3], 4), t[3]) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[4], 2), t[4]) << name << ", raw " << raw;
      std::string o[4], fitted_new, fitted_old;
      if (new_score && !observed_rows.empty()) {
        std::istringstream(observed_rows[raw]) >> o[0] >> o[1] >> o[2] >> o[3];
      }
      if (!fitted_rows.empty() && raw < fitted_rows.size()) {
        fitted_new = trimmed(fitted_rows[raw].substr(9, 10));
        fitted_old = fitted_rows[raw].size() > 24 ? trimmed(fitted_rows[raw].substr(24, 10)) : "";
      }
      EXPECT_EQ(printed(cells[5], 8), fitted_new) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[6], 8), fitted_old) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[7], 4), o[1]) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[8], 4), o[2]) << name << ", raw " << raw;
      EXPECT_EQ(printed(cells[9], 2), o[3]) << name << ", raw " << raw;
    }
  }
}

}  // namespace
}  // namespace zol
