// The three-parameter logistic item model and a form's expected score with its slope
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

// Probability of a correct response, with scaling constant 1.7.
double prob_3pl(double theta, double a, double b, double c);

// prob_3pl of every item of a run of items at theta, bit for bit: p[i] from
// a[i], b[i] and c[i], all four spans of one length, numbered from 0.
void prob_3pl_batch(double theta, std::span<const double> a, std::span<const double> b,
                    std::span<const double> c, std::span<double> p);

// Expected score of a form of n items at theta; arrays are numbered 1..n.
double expected_score(double theta, OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n,
                      OneBasedView incorrect_score, OneBasedView correct_score);

// Derivative of expected_score with respect to theta.
double expected_score_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                            std::int32_t n, OneBasedView incorrect_score,
                            OneBasedView correct_score);

// Both sums in one pass over the items, each bit for bit what expected_score
// and expected_score_slope return; the root searches need the two together.
void expected_score_and_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                              std::int32_t n, OneBasedView incorrect_score,
                              OneBasedView correct_score, double* score, double* slope);
