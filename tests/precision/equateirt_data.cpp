// equateIRT's example forms as slope-intercept estimates: their CSV files read as they are
#include "precision/equateirt_data.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/files.h"

namespace {

// The rows of a CSV file written by R: every cell unquoted, the header row too.
std::vector<std::vector<std::string>> csv_rows(const std::filesystem::path& file) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells(1);
    for (char c : line) {
      if (c == ',') {
        cells.emplace_back();
      } else if (c != '"') {
        cells.back().push_back(c);
      }
    }
    rows.push_back(cells);
  }
  return rows;
}

}  // namespace

std::optional<zol::SlopeInterceptForm> equateirt_form(const std::string& data, int form) {
  const std::filesystem::path folder = source_path("../shared/data/equateirt");
  const std::string number = std::to_string(form);
  const auto coefficients = csv_rows(folder / (data + "_coef_" + number + ".csv"));
  const auto variances = csv_rows(folder / (data + "_var_" + number + ".csv"));
  if (coefficients.size() < 2 || variances.size() < 2) return std::nullopt;
  const bool guessing = coefficients[0].size() == 4;
  zol::SlopeInterceptForm estimates;
  zol::Covariance covariance;
  for (const char* parameter : {"c", "b", "a"}) {
    if (parameter[0] == 'c' && !guessing) continue;
    for (std::size_t i = 1; i < coefficients.size(); ++i) {
      covariance.names.push_back(coefficients[i][0] + ":" + parameter);
    }
  }
  for (std::size_t i = 1; i < coefficients.size(); ++i) {
    const auto& row = coefficients[i];
    const double c = guessing ? std::stod(row[1]) : 0.0;
    estimates.form.items.push_back(
        {row[0], std::stod(row.back()), std::stod(row[row.size() - 2]), c});
  }
  for (std::size_t i = 1; i < variances.size(); ++i) {
    for (std::size_t j = 1; j < variances[i].size(); ++j) {
      covariance.matrix.push_back(std::stod(variances[i][j]));
    }
  }
  estimates.covariance = covariance;
  return estimates;
}
