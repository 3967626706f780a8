// Score distributions when items carry their own scores, and the check of their score grid
#include <algorithm>
#include <cmath>

#include "common/allocation.h"
#include "common/double_double.h"
#include "item_model.h"
#include "observed_score.h"

namespace zol {

namespace {

// A score counts as on the grid when it is within this fraction of an
// increment of a whole multiple of the increment: room for the rounding of
// decimal scores such as 0.1, and no more.
constexpr double GRID_TOLERANCE = 1e-6;

bool on_grid(double value, double increment) {
  if (!std::isfinite(value)) return false;
  const double step = std::fabs(increment);
  const double remainder = std::fabs(std::fmod(value, step));
  const double tolerance = GRID_TOLERANCE * step;
  return remainder <= tolerance || std::fabs(remainder - step) <= tolerance;
}

// Grid point of a score, rounded to the nearest point (truncating the
// shifted value, so a score a little below the lowest still lands on point 0).
// Kept as a double: a score far off the grid may not fit an integer.
double grid_index(double score, const ScoreGrid& grid) {
  return std::trunc((score - grid.lowest) / grid.increment + 0.5);
}

// Grid index of a total less one item's score, rounded half away from zero;
// a negative result means no predecessor. The total runs up in steps of the
// increment, in two doubles, so that decimal increments do not drift.
double predecessor_index(const DoubleDouble& total, double score, const ScoreGrid& grid) {
  const double u = ((total - score - grid.lowest) / grid.increment).value();
  return u > 0.0 ? std::trunc(u + 0.5) : std::trunc(u - 0.5);
}

bool scored(const FormView& form) {
  const std::size_t n = form.a.size();
  return form.correct_score.size() == n && form.incorrect_score.size() == n && form.b.size() == n &&
         form.c.size() == n;
}

}  // namespace

bool check_score_grid(const FormView& form, const ScoreGrid& grid) {
  if (form.correct_score.empty() || form.incorrect_score.empty() || !scored(form)) return false;
  if (!std::isfinite(grid.increment) || !(grid.increment > 0.0)) return false;
  if (grid.highest <= grid.lowest) return false;
  if (!on_grid(grid.highest, grid.increment) || !on_grid(grid.lowest, grid.increment)) {
    return false;
  }
  double lowest_total = 0.0;
  double highest_total = 0.0;
  for (std::size_t k = 0; k < form.a.size(); ++k) {
    const double incorrect = form.incorrect_score[k];
    const double correct = form.correct_score[k];
    // Written so that a score that is not a number is refused as well.
    if (!(incorrect < correct)) return false;
    if (incorrect < grid.lowest || correct > grid.highest) return false;
    if (!on_grid(incorrect, grid.increment) || !on_grid(correct, grid.increment)) return false;
    lowest_total += incorrect;
    if (lowest_total < grid.lowest || lowest_total > grid.highest) return false;
    highest_total += correct;
    if (highest_total > grid.highest || highest_total < grid.lowest) return false;
  }
  return true;
}

bool conditional_item_scores(double theta, const FormView& form, const ScoreGrid& grid,
                             std::span<double> work) {
  const std::int32_t grid_points = score_grid_points(grid);
  if (grid_points <= 0 || form.a.empty() || !scored(form) ||
      work.size() < static_cast<std::size_t>(grid_points)) {
    return false;
  }
  const auto m_count = static_cast<std::size_t>(grid_points);
  const double top = grid_points - 1;
  auto next_block = allocate_array<double>(m_count);
  if (!next_block) return false;
  const std::span<double> next(next_block.get(), m_count);
  std::fill_n(work.begin(), m_count, 0.0);

  const double first_correct = grid_index(form.correct_score[0], grid);
  const double first_incorrect = grid_index(form.incorrect_score[0], grid);
  if (!(first_correct >= 0.0 && first_correct <= top && first_incorrect >= 0.0 &&
        first_incorrect <= top)) {
    return false;
  }
  double p = prob_3pl(theta, form.a[0], form.b[0], form.c[0]);
  work[static_cast<std::size_t>(first_correct)] = p;
  // Added, not stored: should both scores round to one point, neither
  // response's probability is lost.
  work[static_cast<std::size_t>(first_incorrect)] += 1.0 - p;
  double lowest_total = form.incorrect_score[0];
  double highest_total = form.correct_score[0];

  for (std::size_t i = 1; i < form.a.size(); ++i) {
    p = prob_3pl(theta, form.a[i], form.b[i], form.c[i]);
    const double q = 1.0 - p;
    const double incorrect = form.incorrect_score[i];
    const double correct = form.correct_score[i];
    lowest_total += incorrect;
    highest_total += correct;
    const double first = grid_index(lowest_total, grid);
    const double last = grid_index(highest_total, grid);
    // The grid check keeps every running total on the grid; without it, refuse
    // rather than write past the vector.
    if (!(first >= 0.0 && first <= top && last >= 0.0 && last <= top)) return false;
    std::fill(next.begin(), next.end(), 0.0);
    DoubleDouble total = lowest_total;
    for (auto m = static_cast<std::size_t>(first); m <= static_cast<std::size_t>(last); ++m) {
      const double without_item = predecessor_index(total, incorrect, grid);
      if (without_item >= 0.0 && without_item <= top) {
        next[m] = q * work[static_cast<std::size_t>(without_item)];
      }
      const double with_item = predecessor_index(total, correct, grid);
      if (with_item >= 0.0 && with_item <= top) {
        next[m] = next[m] + p * work[static_cast<std::size_t>(with_item)];
      }
      total = total + grid.increment;
    }
    std::copy(next.begin(), next.end(), work.begin());
  }
  return true;
}

}  // namespace zol
