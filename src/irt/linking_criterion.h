// The characteristic-curve criteria of linking with their derivatives, for the tests
#pragma once

#include "common/records.h"

namespace zol {

// The criterion of the Haebara or Stocking-Lord method at (A, B) over the
// common items of the forms, weighted as the linking weighs it, with its
// gradient and Hessian in (A, B). Zero throughout when the forms have fewer
// than 2 unambiguous common items.
struct LinkCriterion {
  double f = 0.0;
  double fa = 0.0, fb = 0.0;
  double faa = 0.0, fab = 0.0, fbb = 0.0;
};
LinkCriterion link_criterion(const ItemSet& new_form, const ItemSet& old_form,
                             const ThetaDistribution& theta, LinkMethod method, double A, double B,
                             double d = DEFAULT_SCALING_CONSTANT);

}  // namespace zol
