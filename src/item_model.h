// The three-parameter logistic item model and a form's expected score with its slope
#pragma once

#include <span>

#include "records.h"

namespace zol {

// Probability of a correct response, with scaling constant 1.7.
double prob_3pl(double theta, double a, double b, double c);

// prob_3pl of every item of a run of items at theta, bit for bit: p[i] from
// a[i], b[i] and c[i], all four spans of one length.
void prob_3pl_batch(double theta, std::span<const double> a, std::span<const double> b,
                    std::span<const double> c, std::span<double> p);

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
