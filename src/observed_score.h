// Fitted observed-score distributions over a theta quadrature (Lord-Wingersky)
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

namespace zol {

// Total scores from lowest to highest in steps of increment: point m stands
// for the score lowest + m * increment.
struct ScoreGrid {
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 1.0;
};

enum class DistributionStatus {
  OK,
  UNUSABLE_SCORES,  // a grid or response scores that cannot be used
  NO_MEMORY,
  WEIGHT_TOTAL,  // the weights' total is not within 0.1 of 1
};

// Weighted sum over the quadrature of the form's conditional score
// distributions on the grid, into distribution (one entry per grid point).
// A form without response scores, or with every item scored 1 and 0, takes
// the number-correct recursion, which needs the grid 0..n in steps of 1.
// On failure the distribution holds what had been summed by then.
[[nodiscard]] DistributionStatus observed_score_distribution(const FormView& form,
                                                             const ThetaDistribution& theta,
                                                             const ScoreGrid& grid,
                                                             ScoreVector distribution);

// Number-correct distribution of the form's items at theta into work[0..n].
// False when the form has no items or work fewer than n + 1 entries.
[[nodiscard]] bool conditional_number_correct(double theta, const FormView& form,
                                              std::span<double> work);

// Distribution of the total of the items' own response scores at theta, on
// the grid, into work[0..M-1] for a grid of M points. False when the grid is
// empty, work too short, a running total falls off the grid, or the temporary
// vector cannot be allocated.
[[nodiscard]] bool conditional_item_scores(double theta, const FormView& form, const ScoreGrid& grid,
                                           std::span<double> work);

// True when the grid and every item's response scores are usable: each item
// scores more for a correct response than for an incorrect one, every score
// is a whole multiple of the increment (to within a millionth of it), and the
// lowest and highest totals of every run of first items stay on the grid.
[[nodiscard]] bool check_score_grid(const FormView& form, const ScoreGrid& grid);

// Number of points of the grid, or 0 when no grid can be formed: an
// increment that is not a finite number above 0, highest more than half a
// step below lowest, a span that is not finite, or more points than a 32-bit
// count can hold.
std::int32_t score_grid_points(const ScoreGrid& grid);

}  // namespace zol
