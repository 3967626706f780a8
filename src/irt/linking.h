// Linking the new form's scale to the old form's through common items
#pragma once

#include <optional>
#include <span>

#include "common/records.h"

namespace zol {

// Finds A and B by the method over the common items. The characteristic-
// curve methods (Haebara, Stocking-Lord) weigh the points of the input's
// ability distribution, or without one 41 points from -4 to 4 with normal
// weights, and minimise their criterion by Newton's method until A and B are
// within 1e-9 of the minimiser, starting from whichever of the mean-sigma
// constants, the mean-mean constants and (1, 0) has the lowest criterion
// among those with a finite A above 0 and a finite B.
[[nodiscard]] LinkSearch link_scales(const ItemSet& new_form, const ItemSet& old_form,
                                     const ThetaDistribution& theta, LinkMethod method,
                                     double d = DEFAULT_SCALING_CONSTANT);

// An item's slope, and a location (b, step or boundary), carried to the old
// form's scale, theta_old = A theta_new + B.
inline double carried_slope(double a, const Linking& linking) {
  return a / linking.A;
}
inline double carried_location(double b, const Linking& linking) {
  return linking.A * b + linking.B;
}

// The items' a and b carried to the old form's scale, theta_old = A
// theta_new + B: a / A and A b + B, into a and b (one entry per item; the b
// of an item of K categories is a placeholder, its steps are carried apart).
void carry_over(const ItemSet& items, const Linking& linking, std::span<double> a,
                std::span<double> b);

}  // namespace zol
