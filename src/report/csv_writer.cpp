// The results as CSV: one row per raw score, every number at full precision
#include <algorithm>
#include <charconv>
#include <cmath>

#include "irt/linking.h"
#include "report/result_files.h"

#include "common/text.h"

namespace zol {

namespace {

// The shortest decimal that reads back to the same double.
void write_number(std::string& out, double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, static_cast<std::size_t>(end - text));
}

// A cell after the first: its comma, then the value when there is one.
void write_cell(std::string& out, std::span<const double> column, std::size_t raw, bool present) {
  out.push_back(',');
  if (present && raw < column.size()) write_number(out, column[raw]);
}

}  // namespace

void write_csv(std::string& out, const Results& results) {
  // A linked run leads with the linking's method and constants, on the first
  // row only, so every row keeps one layout for a spreadsheet.
  const Linking* linking = results.linking ? &*results.linking : nullptr;
  if (linking != nullptr) out += "link_method,link_A,link_B,";
  out += 
      "raw,theta,true_equated,true_scale,true_scale_rounded,new_fitted,old_fitted,"
      "observed_equated,observed_scale,observed_scale_rounded\n";
  const TrueScoreEquating& t = results.true_score;
  // Without an ability distribution the observed-score cells stay empty.
  const ObservedScoreEquating none;
  const bool observed = results.observed_score.has_value();
  const ObservedScoreEquating& o = observed ? *results.observed_score : none;
  const std::size_t rows =
      static_cast<std::size_t>(std::max(results.new_top_score, results.old_top_score)) + 1;
  for (std::size_t raw = 0; raw < rows; ++raw) {
    if (linking != nullptr && raw == 0) {
      appendf(out, "%s,", link_method_option(linking->method));
      write_number(out, linking->A);
      out.push_back(',');
      write_number(out, linking->B);
      out.push_back(',');
    } else if (linking != nullptr) {
      out += ",,,";
    }
    appendf(out, "%zu", raw);
    // The bracket ends mark raw scores that have no theta of their own.
    const bool theta = raw < t.theta.size() && t.theta[raw] > -THETA_LIMIT &&
                       t.theta[raw] < THETA_LIMIT;
    write_cell(out, t.theta, raw, theta);
    write_cell(out, t.equated, raw, true);
    write_cell(out, t.scale.unrounded, raw, raw < t.equated.size());
    write_cell(out, t.scale.rounded, raw, raw < t.equated.size());
    write_cell(out, o.new_distribution, raw, observed);
    write_cell(out, o.old_distribution, raw, observed);
    write_cell(out, o.equated, raw, observed);
    write_cell(out, o.scale.unrounded, raw, observed && raw < t.equated.size());
    write_cell(out, o.scale.rounded, raw, observed && raw < t.equated.size());
    out.push_back('\n');
  }
}

}  // namespace zol
