// The three-parameter logistic item model and a form's expected score with its slope
#include "item_model.h"

#include <cassert>
#include <cstddef>
#include <cstring>

#include "exp_lanes.h"

namespace {

using exp_detail::Lanes;
using exp_detail::LANES;

// D, the scaling constant of the logistic model: 1.7, not 1.702.
constexpr double LOGISTIC_SCALE = 1.7;

// Every formula below is a template over one double or four lanes of items,
// so that the scalar path and the vector path of the sums take the same
// operations in the same order and give the same bits. They are all forced
// inline, since only code inlined into a dispatched function is compiled for
// its instruction set, and they hand results back through references: a
// four-lane vector passed by value would change the calling convention
// between the dispatched and the plain code, which compilers refuse.
[[gnu::always_inline]] inline void exp_of(const double& x, double& y) {
  y = exp_detail::exp_scalar(x);
}
[[gnu::always_inline]] inline void exp_of(const Lanes& x, Lanes& y) {
  exp_detail::exp_lanes(x, y);
}

// The exponent is left unbounded: an exponential that overflows makes the
// quotient 0 (P = c), one that underflows makes it 1 - c (P = 1).
template <typename Real>
[[gnu::always_inline]] inline void probability(double theta, const Real& a, const Real& b,
                                               const Real& c, Real& p) {
  Real e;
  exp_of(LOGISTIC_SCALE * a * (b - theta), e);
  p = c + (1.0 - c) / (1.0 + e);
}

// dP/dtheta of one item. D a (1 - c) E / (1 + E)^2 is written with E + 2 + 1 / E
// in the denominator, so that an exponential that overflows to infinity or
// underflows to 0 gives a slope of 0 instead of infinity over infinity.
template <typename Real>
[[gnu::always_inline]] inline void slope(double theta, const Real& a, const Real& b, const Real& c,
                                         Real& s) {
  Real e;
  exp_of(LOGISTIC_SCALE * a * (theta - b), e);
  s = LOGISTIC_SCALE * a * (1.0 - c) / (e + 2.0 + 1.0 / e);
}

// One item's (or four items') terms of the expected score and of its slope.
template <bool SCORE, bool SLOPE, typename Real>
[[gnu::always_inline]] inline void item_terms(double theta, const Real& a, const Real& b,
                                              const Real& c, const Real& incorrect,
                                              const Real& correct, Real& score_term,
                                              Real& slope_term) {
  if constexpr (SCORE) {
    Real p;
    probability(theta, a, b, c, p);
    score_term = (1.0 - p) * incorrect + p * correct;
  }
  if constexpr (SLOPE) {
    Real s;
    slope(theta, a, b, c, s);
    slope_term = s * correct - s * incorrect;
  }
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

[[gnu::always_inline]] inline void load(const double* values, Lanes& lanes) {
  std::memcpy(&lanes, values, sizeof lanes);
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
    Lanes a, b, c, incorrect, correct, score_terms, slope_terms;
    load(f.a + i, a);
    load(f.b + i, b);
    load(f.c + i, c);
    load(f.incorrect + i, incorrect);
    load(f.correct + i, correct);
    item_terms<SCORE, SLOPE>(theta, a, b, c, incorrect, correct, score_terms, slope_terms);
    for (int l = 0; l < LANES; ++l) {
      if constexpr (SCORE) score += score_terms[l];
      if constexpr (SLOPE) slope_total += slope_terms[l];
    }
  }
  for (; i < n; ++i) {
    double score_term = 0.0, slope_term = 0.0;
    item_terms<SCORE, SLOPE>(theta, f.a[i], f.b[i], f.c[i], f.incorrect[i], f.correct[i],
                             score_term, slope_term);
    if constexpr (SCORE) score += score_term;
    if constexpr (SLOPE) slope_total += slope_term;
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
    Lanes a_lanes, b_lanes, c_lanes, p_lanes;
    load(a + i, a_lanes);
    load(b + i, b_lanes);
    load(c + i, c_lanes);
    probability(theta, a_lanes, b_lanes, c_lanes, p_lanes);
    std::memcpy(p + i, &p_lanes, sizeof p_lanes);
  }
  for (; i < count; ++i) probability(theta, a[i], b[i], c[i], p[i]);
}

}  // namespace

double prob_3pl(double theta, double a, double b, double c) {
  double p;
  probability(theta, a, b, c, p);
  return p;
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
