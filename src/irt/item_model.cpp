// The three-parameter logistic item model and a form's expected score with its slope
#include "item_model.h"

#include <cmath>

namespace {

// D, the scaling constant of the logistic model: 1.7, not 1.702.
constexpr double LOGISTIC_SCALE = 1.7;

// dP/dtheta of one item. D a (1 - c) E / (1 + E)^2 is written with E + 2 + 1 / E
// in the denominator, so that an exponential that overflows to infinity or
// underflows to 0 gives a slope of 0 instead of infinity over infinity.
inline double item_slope(double theta, double a, double b, double c) {
  const double e = std::exp(LOGISTIC_SCALE * a * (theta - b));
  return LOGISTIC_SCALE * a * (1.0 - c) / (e + 2.0 + 1.0 / e);
}

}  // namespace

double prob_3pl(double theta, double a, double b, double c) {
  // The exponent is left unbounded: an exponential that overflows makes the
  // quotient 0 (P = c), one that underflows makes it 1 - c (P = 1).
  return c + (1.0 - c) / (1.0 + std::exp(LOGISTIC_SCALE * a * (b - theta)));
}

double expected_score(double theta, OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n,
                      OneBasedView incorrect_score, OneBasedView correct_score) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double p = prob_3pl(theta, a[i], b[i], c[i]);
    sum += (1.0 - p) * incorrect_score[i] + p * correct_score[i];
  }
  return sum;
}

double expected_score_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                            std::int32_t n, OneBasedView incorrect_score,
                            OneBasedView correct_score) {
  double sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double slope = item_slope(theta, a[i], b[i], c[i]);
    sum += slope * correct_score[i] - slope * incorrect_score[i];
  }
  return sum;
}

void expected_score_and_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                              std::int32_t n, OneBasedView incorrect_score,
                              OneBasedView correct_score, double* score, double* slope) {
  double score_sum = 0.0;
  double slope_sum = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double p = prob_3pl(theta, a[i], b[i], c[i]);
    score_sum += (1.0 - p) * incorrect_score[i] + p * correct_score[i];
    const double item = item_slope(theta, a[i], b[i], c[i]);
    slope_sum += item * correct_score[i] - item * incorrect_score[i];
  }
  *score = score_sum;
  *slope = slope_sum;
}
