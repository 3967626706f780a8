// The three-parameter logistic item model and a form's expected score with its slope
#include "item_model.h"

#include <cassert>
#include <cstddef>
#include <cstring>

#include "exp_lanes.h"

// The vector-valued helpers below have internal linkage and are inlined into
// the dispatched sums, so no vector ever crosses a call whose ABI could differ.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

using exp_detail::Lanes;
using exp_detail::LANES;

// D, the scaling constant of the logistic model: 1.7, not 1.702.
constexpr double LOGISTIC_SCALE = 1.7;

// Every formula below is a template over one double or four lanes of items,
// so that the scalar path and the vector path of the sums take the same
// operations in the same order and give the same bits. They are all forced
// inline: only code inlined into a dispatched function is compiled for its
// instruction set.
[[gnu::always_inline]] inline double exp_of(double x) {
  return exp_detail::exp_scalar(x);
}
[[gnu::always_inline]] inline Lanes exp_of(const Lanes& x) {
  Lanes y;
  exp_detail::exp_lanes(x, y);
  return y;
}

// The exponent is left unbounded: an exponential that overflows makes the
// quotient 0 (P = c), one that underflows makes it 1 - c (P = 1).
template <typename Real>
[[gnu::always_inline]] inline Real probability(double theta, const Real& a, const Real& b,
                                               const Real& c) {
  return c + (1.0 - c) / (1.0 + exp_of(LOGISTIC_SCALE * a * (b - theta)));
}

// dP/dtheta of one item. D a (1 - c) E / (1 + E)^2 is written with E + 2 + 1 / E
// in the denominator, so that an exponential that overflows to infinity or
// underflows to 0 gives a slope of 0 instead of infinity over infinity.
template <typename Real>
[[gnu::always_inline]] inline Real slope(double theta, const Real& a, const Real& b,
                                         const Real& c) {
  const Real e = exp_of(LOGISTIC_SCALE * a * (theta - b));
  return LOGISTIC_SCALE * a * (1.0 - c) / (e + 2.0 + 1.0 / e);
}

template <typename Real>
[[gnu::always_inline]] inline Real score_term(double theta, const Real& a, const Real& b,
                                              const Real& c, const Real& incorrect,
                                              const Real& correct) {
  const Real p = probability(theta, a, b, c);
  return (1.0 - p) * incorrect + p * correct;
}

template <typename Real>
[[gnu::always_inline]] inline Real slope_term(double theta, const Real& a, const Real& b,
                                              const Real& c, const Real& incorrect,
                                              const Real& correct) {
  const Real s = slope(theta, a, b, c);
  return s * correct - s * incorrect;
}

struct FormArrays {
  const double* a;
  const double* b;
  const double* c;
  const double* incorrect;
  const double* correct;
};

FormArrays form_arrays(OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n,
                       OneBasedView incorrect, OneBasedView correct) {
  const auto items = static_cast<std::size_t>(n);
  assert(a.values.size() >= items && b.values.size() >= items && c.values.size() >= items &&
         incorrect.values.size() >= items && correct.values.size() >= items);
  (void)items;
  return {a.values.data(), b.values.data(), c.values.data(), incorrect.values.data(),
          correct.values.data()};
}

[[gnu::always_inline]] inline Lanes load(const double* values) {
  Lanes lanes;
  std::memcpy(&lanes, values, sizeof lanes);
  return lanes;
}

// Sums the wanted terms over items 0..n-1 (0-based here). Four items' terms
// are computed at once, then added one by one in item order, exactly as the
// scalar loop over the remaining items adds them.
template <bool SCORE, bool SLOPE>
[[gnu::always_inline]] inline void sum_terms(double theta, const FormArrays& f, std::int32_t n,
                                             double* score_sum, double* slope_sum) {
  double score = 0.0;
  double slope_total = 0.0;
  std::int32_t i = 0;
  for (; i + LANES <= n; i += LANES) {
    const Lanes a = load(f.a + i), b = load(f.b + i), c = load(f.c + i);
    const Lanes incorrect = load(f.incorrect + i), correct = load(f.correct + i);
    if constexpr (SCORE) {
      const Lanes terms = score_term(theta, a, b, c, incorrect, correct);
      for (int l = 0; l < LANES; ++l) score += terms[l];
    }
    if constexpr (SLOPE) {
      const Lanes terms = slope_term(theta, a, b, c, incorrect, correct);
      for (int l = 0; l < LANES; ++l) slope_total += terms[l];
    }
  }
  for (; i < n; ++i) {
    if constexpr (SCORE)
      score += score_term(theta, f.a[i], f.b[i], f.c[i], f.incorrect[i], f.correct[i]);
    if constexpr (SLOPE) {
      slope_total += slope_term(theta, f.a[i], f.b[i], f.c[i], f.incorrect[i], f.correct[i]);
    }
  }
  if constexpr (SCORE) *score_sum = score;
  if constexpr (SLOPE) *slope_sum = slope_total;
}

__attribute__((target_clones("avx2", "default"))) void sum_scores(double theta, const FormArrays& f,
                                                                  std::int32_t n, double* score) {
  sum_terms<true, false>(theta, f, n, score, nullptr);
}

__attribute__((target_clones("avx2", "default"))) void sum_slopes(double theta, const FormArrays& f,
                                                                  std::int32_t n, double* slope) {
  sum_terms<false, true>(theta, f, n, nullptr, slope);
}

__attribute__((target_clones("avx2", "default"))) void sum_both(double theta, const FormArrays& f,
                                                                std::int32_t n, double* score,
                                                                double* slope) {
  sum_terms<true, true>(theta, f, n, score, slope);
}

__attribute__((target_clones("avx2", "default"))) void probabilities(double theta, const double* a,
                                                                     const double* b,
                                                                     const double* c,
                                                                     std::size_t count, double* p) {
  std::size_t i = 0;
  for (; i + LANES <= count; i += LANES) {
    const Lanes lanes = probability(theta, load(a + i), load(b + i), load(c + i));
    std::memcpy(p + i, &lanes, sizeof lanes);
  }
  for (; i < count; ++i) p[i] = probability(theta, a[i], b[i], c[i]);
}

}  // namespace

double prob_3pl(double theta, double a, double b, double c) {
  return probability(theta, a, b, c);
}

void prob_3pl_batch(double theta, std::span<const double> a, std::span<const double> b,
                    std::span<const double> c, std::span<double> p) {
  assert(a.size() == p.size() && b.size() == p.size() && c.size() == p.size());
  probabilities(theta, a.data(), b.data(), c.data(), p.size(), p.data());
}

double expected_score(double theta, OneBasedView a, OneBasedView b, OneBasedView c, std::int32_t n,
                      OneBasedView incorrect_score, OneBasedView correct_score) {
  if (n <= 0) return 0.0;
  double score = 0.0;
  sum_scores(theta, form_arrays(a, b, c, n, incorrect_score, correct_score), n, &score);
  return score;
}

double expected_score_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                            std::int32_t n, OneBasedView incorrect_score,
                            OneBasedView correct_score) {
  if (n <= 0) return 0.0;
  double slope_sum = 0.0;
  sum_slopes(theta, form_arrays(a, b, c, n, incorrect_score, correct_score), n, &slope_sum);
  return slope_sum;
}

void expected_score_and_slope(double theta, OneBasedView a, OneBasedView b, OneBasedView c,
                              std::int32_t n, OneBasedView incorrect_score,
                              OneBasedView correct_score, double* score, double* slope_sum) {
  *score = 0.0;
  *slope_sum = 0.0;
  if (n <= 0) return;
  sum_both(theta, form_arrays(a, b, c, n, incorrect_score, correct_score), n, score, slope_sum);
}
