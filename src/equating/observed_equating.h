// Observed-score equating in one population or in the synthetic population of two groups
#pragma once

#include "common/records.h"
#include "equating/pipeline.h"

namespace zol {

// Who takes the forms: one population, its quadrature on the common scale;
// or two groups, the new group's quadrature carried to the common (old)
// scale and the old group's, weighted new_weight and 1 - new_weight.
struct Population {
  const Quadrature* theta = nullptr;
  const Quadrature* old_theta = nullptr;  // null for one population
  double new_weight = 1.0;
};

// The forms' fitted score distributions in the population into the results'
// observed-score equating (the synthetic population's for two groups, f = w1
// f_new group + (1 - w1) f_old group for each form), and the equipercentile
// equivalents of the new form's raw scores. Each group's fitted
// distributions must sum to 1 within 0.1.
[[nodiscard]] Failure equate_observed_scores(const Records& input, const Population& population,
                                             const FormView& new_form, const FormView& old_form,
                                             Results& results);

}  // namespace zol
