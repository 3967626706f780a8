// The three-parameter logistic item model and a form's expected score with its slope
#pragma once

#include <span>

#include "common/records.h"

namespace zol {

// Probability of a correct response, with scaling constant d.
double prob_3pl(double theta, double a, double b, double c,
                double d = DEFAULT_SCALING_CONSTANT);

// prob_3pl of every 3PL item of the view at theta, bit for bit: p[i] from
// a[i], b[i] and c[i] and the view's d; p has one entry per item.
void prob_3pl_batch(double theta, const FormView& items, std::span<double> p);

// Expected score of the form at theta: each item's response scores weighted
// by the probabilities of the two responses.
double expected_score(double theta, const FormView& form);

// Derivative of expected_score with respect to theta.
double expected_score_slope(double theta, const FormView& form);

struct ScoreAndSlope {
  double score = 0.0;
  double slope = 0.0;
};

// Both sums in one pass over the items, each bit for bit what expected_score
// and expected_score_slope return; the root searches need the two together.
ScoreAndSlope expected_score_and_slope(double theta, const FormView& form);

}  // namespace zol
