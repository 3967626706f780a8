// The results as CSV: one row per raw score, every number at full precision
#include <algorithm>
#include <charconv>
#include <cmath>

#include "linking.h"
#include "result_files.h"

namespace zol {

namespace {

// The shortest decimal that reads back to the same double.
void write_number(std::FILE* out, double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  std::fwrite(text, 1, static_cast<std::size_t>(end - text), out);
}

// A cell after the first: its comma, then the value when there is one.
void write_cell(std::FILE* out, std::span<const double> column, std::size_t raw, bool present) {
  std::fputc(',', out);
  if (present && raw < column.size()) write_number(out, column[raw]);
}

}  // namespace

void write_csv(std::FILE* out, const RunResults& results) {
  // A linked run leads with the linking's method and constants, on the first
  // row only, so every row keeps one layout for a spreadsheet.
  const Linking* linking = results.linking ? &*results.linking : nullptr;
  if (linking != nullptr) std::fputs("link_method,link_A,link_B,", out);
  std::fputs(
      "raw,theta,true_equated,true_scale,true_scale_rounded,new_fitted,old_fitted,"
      "observed_equated,observed_scale,observed_scale_rounded\n",
      out);
  const TrueScoreTable& t = results.true_scores;
  const ObservedScoreTable& o = results.observed_scores;
  const bool observed = results.observed;
  const std::size_t rows = std::max(t.true_equated.size(), o.old_distribution.size());
  for (std::size_t raw = 0; raw < rows; ++raw) {
    if (linking != nullptr && raw == 0) {
      std::fprintf(out, "%s,", link_method_option(linking->method));
      write_number(out, linking->A);
      std::fputc(',', out);
      write_number(out, linking->B);
      std::fputc(',', out);
    } else if (linking != nullptr) {
      std::fputs(",,,", out);
    }
    std::fprintf(out, "%zu", raw);
    // The bracket ends mark raw scores that have no theta of their own.
    const bool theta = raw < t.theta_equivalent.size() && t.theta_equivalent[raw] > -THETA_LIMIT &&
                       t.theta_equivalent[raw] < THETA_LIMIT;
    write_cell(out, t.theta_equivalent, raw, theta);
    write_cell(out, t.true_equated, raw, true);
    write_cell(out, results.true_scale.unrounded, raw, raw < t.true_equated.size());
    write_cell(out, results.true_scale.rounded, raw, raw < t.true_equated.size());
    write_cell(out, o.new_distribution, raw, observed);
    write_cell(out, o.old_distribution, raw, observed);
    write_cell(out, o.observed_equated, raw, observed);
    write_cell(out, results.observed_scale.unrounded, raw, observed && raw < t.true_equated.size());
    write_cell(out, results.observed_scale.rounded, raw, observed && raw < t.true_equated.size());
    std::fputc('\n', out);
  }
}

}  // namespace zol
