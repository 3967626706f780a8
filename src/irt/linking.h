// Linking the new form's scale to the old form's through common items
#pragma once

#include <cstdint>
#include <string>

#include "items/item_table.h"

namespace zol {

// What a linking is asked to do: the method, the scaling constant, and the
// points and weights of the characteristic-curve criteria (null: 41 points
// from -4 to 4 with normal weights).
struct LinkRequest {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  double d = DEFAULT_SCALING_CONSTANT;
  const Quadrature* theta = nullptr;
};

enum class LinkStatus {
  OK,
  TOO_FEW_COMMON_ITEMS,  // fewer than 2 labels in both forms
  AMBIGUOUS_LABEL,       // a label twice in one form and also in the other
  NO_SLOPE,              // A is not a finite number above 0
  NOT_CONVERGED,         // the minimisation stopped short of the minimiser
  MODELS_DIFFER,         // a common item has another model or K in the other form
};

// The search for theta_old = A theta_new + B on the common items: those whose
// labels stand in both forms. The fields after status say where a failure
// stands: the common items found, the ambiguous label, and the constants and
// criterion that the minimisation reached.
struct LinkSearch {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  LinkStatus status = LinkStatus::OK;
  double A = 1.0;
  double B = 0.0;
  std::int32_t common_items = 0;
  std::string ambiguous_label;  // or the common item whose models differ
  double criterion = 0.0;
  int steps = 0;  // steps of the minimisation taken
};

// Finds A and B by the method over the common items. The characteristic-
// curve methods (Haebara, Stocking-Lord) weigh the request's points and
// minimise their criterion by Newton's method until A and B are within 1e-9
// of the minimiser, starting from whichever of the mean-sigma constants, the
// mean-mean constants and (1, 0) has the lowest criterion among those with a
// finite A above 0 and a finite B.
[[nodiscard]] LinkSearch link_scales(const ItemTable& new_form, const ItemTable& old_form,
                                     const LinkRequest& request);

// The criterion of the Haebara or Stocking-Lord method at (A, B) over the
// common items of the forms, weighted as the linking weighs it, with its
// gradient and Hessian in (A, B). Zero throughout when the forms have fewer
// than 2 unambiguous common items.
struct LinkCriterion {
  double f = 0.0;
  double fa = 0.0, fb = 0.0;
  double faa = 0.0, fab = 0.0, fbb = 0.0;
};
LinkCriterion link_criterion(const ItemTable& new_form, const ItemTable& old_form,
                             const LinkRequest& request, double A, double B);

}  // namespace zol
