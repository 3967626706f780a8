// Score distributions when items carry their own scores, and the check of their score grid
#include <cmath>
#include <cstdint>

#include "allocation.h"
#include "item_model.h"
#include "observed_score.h"

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
double grid_index(double score, double lowest, double increment) {
  return std::trunc((score - lowest) / increment + 0.5);
}

// Predecessor index of a running total, rounded half away from zero; a
// negative result means no predecessor.
long double rounded_away_from_zero(long double u) {
  return u > 0.0L ? std::trunc(u + 0.5L) : std::trunc(u - 0.5L);
}

bool covers(OneBasedView view, std::int32_t n) {
  return view.values.size() >= static_cast<std::size_t>(n);
}

}  // namespace

Status check_score_grid(std::int32_t n, double lowest, double highest, double increment,
                        OneBasedView correct_score, OneBasedView incorrect_score) {
  if (correct_score.absent() || incorrect_score.absent()) return 1;
  if (n > 0 && (!covers(correct_score, n) || !covers(incorrect_score, n))) return 1;
  if (!std::isfinite(increment) || !(increment > 0.0)) return 1;
  if (highest <= lowest) return 1;
  if (!on_grid(highest, increment) || !on_grid(lowest, increment)) return 1;
  double lowest_total = 0.0;
  double highest_total = 0.0;
  for (std::int32_t k = 1; k <= n; ++k) {
    const double incorrect = incorrect_score[k];
    const double correct = correct_score[k];
    // Written so that a score that is not a number is refused as well.
    if (!(incorrect < correct)) return 1;
    if (incorrect < lowest || correct > highest) return 1;
    if (!on_grid(incorrect, increment) || !on_grid(correct, increment)) return 1;
    lowest_total += incorrect;
    if (lowest_total < lowest || lowest_total > highest) return 1;
    highest_total += correct;
    if (highest_total > highest || highest_total < lowest) return 1;
  }
  return 0;
}

Status conditional_item_scores(double theta, std::int32_t n, double lowest, double highest,
                               double increment, OneBasedView correct_score,
                               OneBasedView incorrect_score, OneBasedView a, OneBasedView b,
                               OneBasedView c, std::span<double> work) {
  const std::int32_t grid_points = score_grid_points(lowest, highest, increment);
  if (grid_points <= 0) return 1;
  if (n < 1 || !covers(correct_score, n) || !covers(incorrect_score, n) || !covers(a, n) ||
      !covers(b, n) || !covers(c, n) || work.size() < static_cast<std::size_t>(grid_points)) {
    return 1;
  }
  const auto m_count = static_cast<std::size_t>(grid_points);
  const double top = grid_points - 1;
  auto next_block = allocate_array<double>(m_count);
  if (!next_block) return 1;
  double* next = next_block.get();
  for (std::size_t m = 0; m < m_count; ++m) work[m] = 0.0;

  const double first_correct = grid_index(correct_score[1], lowest, increment);
  const double first_incorrect = grid_index(incorrect_score[1], lowest, increment);
  if (!(first_correct >= 0.0 && first_correct <= top && first_incorrect >= 0.0 &&
        first_incorrect <= top)) {
    return 1;
  }
  double p = prob_3pl(theta, a[1], b[1], c[1]);
  work[static_cast<std::size_t>(first_correct)] = p;
  // Added, not stored: should both scores round to one point, neither
  // response's probability is lost.
  work[static_cast<std::size_t>(first_incorrect)] += 1.0 - p;
  double lowest_total = incorrect_score[1];
  double highest_total = correct_score[1];

  for (std::int32_t i = 2; i <= n; ++i) {
    p = prob_3pl(theta, a[i], b[i], c[i]);
    const double q = 1.0 - p;
    lowest_total += incorrect_score[i];
    highest_total += correct_score[i];
    const double first = grid_index(lowest_total, lowest, increment);
    const double last = grid_index(highest_total, lowest, increment);
    // The grid check keeps every running total on the grid; without it, refuse
    // rather than write past the vector.
    if (!(first >= 0.0 && first <= top && last >= 0.0 && last <= top)) return 1;
    for (std::size_t m = 0; m < m_count; ++m) next[m] = 0.0;
    const auto first_point = static_cast<std::int64_t>(first);
    const auto last_point = static_cast<std::int64_t>(last);
    long double total = lowest_total;
    for (std::int64_t point = first_point; point <= last_point; ++point) {
      const auto m = static_cast<std::size_t>(point);
      const long double without_item =
          rounded_away_from_zero((total - incorrect_score[i] - lowest) / increment);
      if (without_item >= 0.0L && without_item <= top) {
        next[m] = q * work[static_cast<std::size_t>(without_item)];
      }
      const long double with_item =
          rounded_away_from_zero((total - correct_score[i] - lowest) / increment);
      if (with_item >= 0.0L && with_item <= top) {
        next[m] = next[m] + p * work[static_cast<std::size_t>(with_item)];
      }
      total += increment;
    }
    for (std::size_t m = 0; m < m_count; ++m) work[m] = next[m];
  }
  return 0;
}
