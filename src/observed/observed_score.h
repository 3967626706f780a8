// Fitted observed-score distributions over a theta quadrature (Lord-Wingersky)
#pragma once

#include <span>

#include "common/records.h"

namespace zol {

enum class DistributionStatus {
  OK,
  UNUSABLE_FORM,  // a form without items, or a distribution of the wrong length
  NO_MEMORY,
  WEIGHT_TOTAL,  // the distribution's total is not within 0.1 of 1
};

// Whether the weights sum to 1 as weights printed to a few decimals do, within
// 0.001; total is their sum.
bool weights_sum_to_one(std::span<const double> weights, double& total);

// Weighted sum over the quadrature of the form's conditional raw-score
// distributions, into distribution, which holds one entry per raw score
// 0..form.top_score(). On failure the distribution holds what had been
// summed by then.
[[nodiscard]] DistributionStatus observed_score_distribution(const FormView& form,
                                                             const Quadrature& theta,
                                                             ScoreVector distribution);

// The same for several groups whose quadratures share their points, each
// with its own weights (one per point) and distribution: each conditional
// distribution is found once and added to every group's, which gives every
// group the bits of its own observed_score_distribution. failed names the
// group whose total a WEIGHT_TOTAL refuses, the first such.
struct GroupDistribution {
  std::span<const double> weights;
  ScoreVector distribution;
};
[[nodiscard]] DistributionStatus observed_score_distributions(const FormView& form,
                                                              std::span<const double> points,
                                                              std::span<GroupDistribution> groups,
                                                              std::size_t& failed);

// Raw-score distribution of the form's items at theta into
// work[0..form.top_score()]: the 3PL items by the number-correct recursion,
// then each item of K categories by the category recursion. False when the
// form has no items or work fewer entries than raw scores.
[[nodiscard]] bool conditional_distribution(double theta, const FormView& form,
                                            std::span<double> work);

}  // namespace zol
