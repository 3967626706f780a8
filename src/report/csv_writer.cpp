// The results by raw score as one table, and that table as CSV at full precision
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/text.h"
#include "report/result_files.h"

namespace zol {

namespace {

constexpr double EMPTY = std::numeric_limits<double>::quiet_NaN();

// The shortest decimal that reads back to the same double.
void write_number(std::string& out, double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, static_cast<std::size_t>(end - text));
}

// A column of numbers: values[raw] where present(raw) holds and raw is within
// values, empty elsewhere.
template <typename Present>
ScoreColumn numbers(const char* name, std::span<const double> values, std::size_t rows,
                    Present present) {
  ScoreColumn column{name, ScoreColumn::Type::NUMBER, std::vector<double>(rows, EMPTY), {}};
  for (std::size_t raw = 0; raw < rows && raw < values.size(); ++raw) {
    if (present(raw)) column.numbers[raw] = values[raw];
  }
  return column;
}

// A word as a CSV cell: in quotes, with its quotes doubled, when it holds a
// comma, a quote or a line end.
void write_text(std::string& out, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    out += text;
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

ScoreTable table_of_scores(const Results& results) {
  ScoreTable table;
  table.rows = static_cast<std::size_t>(std::max(results.new_top_score, results.old_top_score)) + 1;
  const std::size_t rows = table.rows;
  std::vector<ScoreColumn>& columns = table.columns;
  // A linked run leads with the linking's method and constants, on the first
  // row only, so every row keeps one layout for a spreadsheet.
  if (results.linking) {
    const Linking& linking = *results.linking;
    ScoreColumn method{"link_method", ScoreColumn::Type::TEXT, {}, std::vector<std::string>(rows)};
    method.texts[0] = link_method_option(linking.method);
    columns.push_back(std::move(method));
    const auto first_row = [](std::size_t raw) { return raw == 0; };
    columns.push_back(numbers("link_A", std::span<const double>(&linking.A, 1), rows, first_row));
    columns.push_back(numbers("link_B", std::span<const double>(&linking.B, 1), rows, first_row));
    if (linking.A_se) {
      // Standard errors that cannot be computed are NaN, empty cells.
      const double errors[] = {*linking.A_se, *linking.B_se, *linking.AB_covariance};
      const char* names[] = {"link_A_se", "link_B_se", "link_AB_covariance"};
      for (std::size_t k = 0; k < 3; ++k) {
        columns.push_back(numbers(names[k], std::span<const double>(&errors[k], 1), rows, first_row));
      }
    }
  }
  ScoreColumn raw{"raw", ScoreColumn::Type::WHOLE_NUMBER, std::vector<double>(rows), {}};
  for (std::size_t k = 0; k < rows; ++k) raw.numbers[k] = static_cast<double>(k);
  columns.push_back(std::move(raw));

  const TrueScoreEquating& t = results.true_score;
  // The bracket ends mark raw scores that have no theta of their own.
  const auto own_theta = [&](std::size_t k) {
    return t.theta[k] > -THETA_LIMIT && t.theta[k] < THETA_LIMIT;
  };
  const auto always = [](std::size_t) { return true; };
  columns.push_back(numbers("theta", t.theta, rows, own_theta));
  columns.push_back(numbers("true_equated", t.equated, rows, always));
  columns.push_back(numbers("true_scale", t.scale.unrounded, rows, always));
  columns.push_back(numbers("true_scale_rounded", t.scale.rounded, rows, always));
  // Without an ability distribution the observed-score cells stay empty.
  const ObservedScoreEquating none;
  const ObservedScoreEquating& o = results.observed_score ? *results.observed_score : none;
  columns.push_back(numbers("new_fitted", o.new_distribution, rows, always));
  columns.push_back(numbers("old_fitted", o.old_distribution, rows, always));
  columns.push_back(numbers("observed_equated", o.equated, rows, always));
  columns.push_back(numbers("observed_scale", o.scale.unrounded, rows, always));
  columns.push_back(numbers("observed_scale_rounded", o.scale.rounded, rows, always));
  if (results.standard_errors) {
    const StandardErrors& e = *results.standard_errors;
    columns.push_back(numbers("true_score_se", e.true_score, rows, always));
    columns.push_back(numbers("observed_score_se", e.observed_score, rows, always));
    columns.push_back(numbers("true_scale_se", e.true_scale, rows, always));
    columns.push_back(numbers("observed_scale_se", e.observed_scale, rows, always));
  }
  return table;
}

void write_csv(std::string& out, const ScoreTable& table) {
  for (std::size_t k = 0; k < table.columns.size(); ++k) {
    if (k > 0) out.push_back(',');
    out += table.columns[k].name;
  }
  out.push_back('\n');
  for (std::size_t raw = 0; raw < table.rows; ++raw) {
    for (std::size_t k = 0; k < table.columns.size(); ++k) {
      const ScoreColumn& column = table.columns[k];
      if (k > 0) out.push_back(',');
      if (column.type == ScoreColumn::Type::TEXT) {
        out += column.texts[raw];
        continue;
      }
      const double value = column.numbers[raw];
      if (std::isnan(value)) continue;
      if (column.type == ScoreColumn::Type::WHOLE_NUMBER) {
        appendf(out, "%.0f", value);
      } else {
        write_number(out, value);
      }
    }
    out.push_back('\n');
  }
}

void write_common_items(std::string& out, const Results& results) {
  out += "label,model,used,a_old,a_new,b_old,b_new,b_difference,b_robust_z,log_a_ratio,"
         "a_robust_z,flagged\n";
  const auto cell = [&](std::optional<double> value) {
    out.push_back(',');
    if (value) write_number(out, *value);
  };
  for (const CommonItem& item : results.common_items) {
    write_text(out, item.label);
    appendf(out, ",%s,%d", item_model_name(item.model), item.used ? 1 : 0);
    for (double value : {item.a_old, item.a_new, item.b_old, item.b_new}) cell(value);
    cell(item.b_difference);
    cell(item.b_robust_z);
    cell(item.log_a_ratio);
    cell(item.a_robust_z);
    appendf(out, ",%d\n", item.flagged ? 1 : 0);
  }
}

}  // namespace zol
