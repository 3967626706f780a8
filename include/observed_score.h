// Fitted observed-score distributions over a theta quadrature (Lord-Wingersky)
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

// Weighted sum over the quadrature of the conditional score distributions, on
// the grid lowest..highest in steps of increment. Absent response-score arrays
// (default views) mean number-correct scoring, which needs a grid of exactly
// n + 1 points. Fails (returns 1) when the weights' total is not within 0.1
// of 1, among other causes.
[[nodiscard]] Status observed_score_distribution(
    OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n, std::span<double> distribution,
    OneBasedView points, OneBasedView weights, std::int32_t n_points, double lowest, double highest,
    double increment, OneBasedView correct_score, OneBasedView incorrect_score);

// Number-correct distribution at theta into work[0..n]. Returns 0, or 1 when
// n < 1 or an array is shorter than the items or work than n + 1.
[[nodiscard]] Status conditional_number_correct(double theta, OneBasedView a, OneBasedView b,
                                                OneBasedView c, std::int32_t n,
                                                std::span<double> work);

// Distribution of the total of the items' own scores at theta, on the grid,
// into work[0..M-1] for a grid of M points. Returns 1 when the grid is empty,
// an array is too short, a running total falls off the grid, or the temporary
// vector cannot be allocated.
[[nodiscard]] Status conditional_item_scores(double theta, std::int32_t n, double lowest,
                                             double highest, double increment,
                                             OneBasedView correct_score,
                                             OneBasedView incorrect_score, OneBasedView a,
                                             OneBasedView b, OneBasedView c,
                                             std::span<double> work);

// 0 when the grid and every item's scores are usable, 1 otherwise. A score
// is usable when it is a whole multiple of increment, to within a millionth
// of the increment.
[[nodiscard]] Status check_score_grid(std::int32_t n, double lowest, double highest,
                                      double increment, OneBasedView correct_score,
                                      OneBasedView incorrect_score);

// Number of points of the grid lowest..highest in steps of increment, or 0
// when no grid can be formed: an increment that is not a finite number above
// 0, highest more than half a step below lowest, a span that is not finite,
// or more points than a 32-bit count can hold.
std::int32_t score_grid_points(double lowest, double highest, double increment);
