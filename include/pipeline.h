// The equating pipeline: true-score equating and, with a quadrature, observed-score equating
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

// Fills true_equated, theta_equivalent and *chance_score and, when n_theta is
// not 0, new_distribution, old_distribution and observed_equated. Fails when a
// stage fails or when any equated score, theta or the chance score is not a
// finite number.
[[nodiscard]] Status compute_equating_functions(
    std::int32_t n_new, std::int32_t n_old, std::int32_t n_theta, const ItemSet& new_form,
    const ItemSet& old_form, const ThetaDistribution& theta, ScoreVector observed_equated,
    ScoreVector true_equated, ScoreVector theta_equivalent, double* chance_score,
    ScoreVector new_distribution, ScoreVector old_distribution);
