// The characteristic-curve criteria of linking, their derivatives in A and B, and their minimisation
#pragma once

#include <optional>
#include <vector>

#include "irt/linking.h"

namespace zol {

// A common item: the new form's item and the old form's.
struct CommonPair {
  const Item* new_item = nullptr;
  const Item* old_item = nullptr;
};

// The common items a linking uses, their 3PL items first and then those of K
// categories, each in the new form's order (the order of the criteria's
// sums); and, over them in the new form's order, the slopes on both scales
// and the b's, steps and boundaries pooled.
struct CommonItems {
  std::vector<CommonPair> pairs;
  std::vector<double> old_slopes, new_slopes, old_bs, new_bs;
  double d = DEFAULT_SCALING_CONSTANT;
};

// The common items of a search that it used, in the order above.
CommonItems used_common_items(const ItemTable& new_form, const ItemTable& old_form,
                              const LinkSearch& link, double d);

// The points and weights of a criterion: a quadrature's, or without one 41
// points from -4 to 4 with normal weights.
struct CriterionPoints {
  std::vector<double> points, weights;
};
CriterionPoints criterion_points(const Quadrature* theta);

// What a criterion compares: the common items by the method (Haebara or
// Stocking-Lord), the new form's carried to the old scale over the forward
// points (on the old scale) and, for a symmetric criterion, also the old
// form's carried to the new scale over the reverse points (on the new scale).
struct Criterion {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  const CommonItems* items = nullptr;
  CriterionPoints forward;
  std::optional<CriterionPoints> reverse;
};

// The request's criterion over the items: its method, the forward points of
// request.theta and, when symmetric, the reverse of request.new_theta.
Criterion request_criterion(const LinkRequest& request, const CommonItems& items);

// The criterion's value, gradient and Hessian at (A, B).
LinkCriterion evaluate(const Criterion& criterion, double A, double B);

// Newton's method on (A, B) from link.A and link.B, with a line search that
// halves the step until the criterion does not rise and A stays above 0;
// where the Hessian is not positive definite the step goes down the gradient
// instead. Stops when a Newton step is shorter than 1e-9, or when no step
// lowers the criterion any more although its Hessian is positive definite:
// the criterion's rounding then hides what is left of the way to the
// minimiser. Fails (NOT_CONVERGED) where the criterion has no minimum to
// find: it stops falling where its curvature is not positive, it is not a
// number, or the steps run out.
void minimise(const Criterion& criterion, LinkSearch& link);

}  // namespace zol
