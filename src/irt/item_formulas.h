// The item model's formulas, written once for one item and for four items in vector lanes
#pragma once

#include <cstddef>

#include "common/inline.h"
#include "irt/exp_core.h"
#include "common/records.h"

namespace zol::item_formulas {

// The logistic model's exponent d a (b - theta) of an item at theta, d being
// the scaling constant.
template <typename Real>
ZOL_ALWAYS_INLINE void logistic_exponent(double theta, double d, const Real& a, const Real& b,
                                         Real& z) {
  z = d * a * (b - theta);
}

// As in exp_core.h: a file that instantiates these templates for lanes
// declares its exp_of for lanes before it includes this header. Results come
// back through references: lanes passed by value would change the calling
// convention between code compiled for AVX2 and plain code.
ZOL_ALWAYS_INLINE void exp_of(const double& x, double& y) {
  y = exp_core::exp_scalar(x);
}

// The exponent is left unbounded: an exponential that overflows makes the
// quotient 0 (P = c), one that underflows makes it 1 - c (P = 1).
template <typename Real>
ZOL_ALWAYS_INLINE void probability(double theta, double d, const Real& a, const Real& b,
                                   const Real& c, Real& p) {
  Real e;
  Real z;
  logistic_exponent(theta, d, a, b, z);
  exp_of(z, e);
  p = c + (1.0 - c) / (1.0 + e);
}

// dP/dtheta. D a (1 - c) E / (1 + E)^2 is written with E + 2 + 1 / E in the
// denominator, so that an exponential that overflows to infinity or
// underflows to 0 gives a slope of 0 instead of infinity over infinity.
template <typename Real>
ZOL_ALWAYS_INLINE void slope(double theta, double d, const Real& a, const Real& b, const Real& c,
                             Real& s) {
  Real e;
  exp_of(d * a * (theta - b), e);
  s = d * a * (1.0 - c) / (e + 2.0 + 1.0 / e);
}

// One item's (or four items') parameters.
template <typename Real>
struct ItemValues {
  Real a, b, c;
};

// The scores of a wrong and a right response. They stay in the terms as
// numbers, not folded away, so that a term that overflows is what it has
// always been (an infinite slope times 0 is not a number).
constexpr double WRONG_SCORE = 0.0;
constexpr double RIGHT_SCORE = 1.0;

// Terms of the expected score and of its slope; each is computed only where
// the sum wants it.
template <bool SCORE, bool SLOPE, typename Real>
ZOL_ALWAYS_INLINE void item_terms(double theta, double d, const ItemValues<Real>& item,
                                  Real& score_term, Real& slope_term) {
  if constexpr (SCORE) {
    Real p;
    probability(theta, d, item.a, item.b, item.c, p);
    score_term = (1.0 - p) * WRONG_SCORE + p * RIGHT_SCORE;
  }
  if constexpr (SLOPE) {
    Real s;
    slope(theta, d, item.a, item.b, item.c, s);
    slope_term = s * RIGHT_SCORE - s * WRONG_SCORE;
  }
}

// Running sums of the terms, added item by item in the form's order, which
// decides their last bits: the vector path adds its lanes' terms one by one
// in the same order.
struct Sums {
  double score = 0.0;
  double slope = 0.0;
};

template <bool SCORE, bool SLOPE>
ZOL_ALWAYS_INLINE void add_items(double theta, const FormView& form, std::size_t from, Sums& sums) {
  for (std::size_t i = from; i < form.a.size(); ++i) {
    const ItemValues<double> item{form.a[i], form.b[i], form.c[i]};
    double score_term = 0.0, slope_term = 0.0;
    item_terms<SCORE, SLOPE>(theta, form.d, item, score_term, slope_term);
    if constexpr (SCORE) sums.score += score_term;
    if constexpr (SLOPE) sums.slope += slope_term;
  }
}

}  // namespace zol::item_formulas
