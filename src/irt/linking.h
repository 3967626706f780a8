// Linking the new form's scale to the old form's through common items
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "items/item_table.h"

namespace zol {

// Whether the method minimises a criterion over the characteristic curves
// (Haebara, Stocking-Lord) rather than matching moments.
inline bool characteristic_curve_method(LinkMethod method) {
  return method == LinkMethod::HAEBARA || method == LinkMethod::STOCKING_LORD;
}

// What a linking is asked to do: the method, the scaling constant, the points
// and weights of the characteristic-curve criteria on the old scale (null:
// 41 points from -4 to 4 with normal weights), and whether the criterion is
// symmetric, with its points on the new scale (null likewise); the labels of
// common items it leaves out.
struct LinkRequest {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  double d = DEFAULT_SCALING_CONSTANT;
  const Quadrature* theta = nullptr;
  bool symmetric = false;
  const Quadrature* new_theta = nullptr;
  std::span<const std::string> excluded;
};

enum class LinkStatus {
  OK,
  TOO_FEW_COMMON_ITEMS,  // fewer than 2 labels in both forms
  AMBIGUOUS_LABEL,       // a label twice in one form and also in the other
  NO_SLOPE,              // A is not a finite number above 0
  NOT_CONVERGED,         // the minimisation stopped short of the minimiser
  MODELS_DIFFER,         // a common item has another model or K in the other form
  NOT_COMMON,            // a label to leave out is not a common item
};

// A common item: where it stands in each form, and whether the linking used it.
struct CommonMatch {
  std::size_t new_index = 0;
  std::size_t old_index = 0;
  bool used = true;
};

// The search for theta_old = A theta_new + B on the common items: those whose
// labels stand in both forms, less those left out. The fields after status
// say where a failure stands: the common items used and left out, the label
// at fault, and the constants and criterion that the minimisation reached.
struct LinkSearch {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  bool symmetric = false;
  LinkStatus status = LinkStatus::OK;
  double A = 1.0;
  double B = 0.0;
  std::int32_t common_items = 0;
  std::int32_t excluded = 0;
  std::string ambiguous_label;  // or the common item whose models differ, or the label not common
  double criterion = 0.0;
  int steps = 0;  // steps of the minimisation taken
  std::vector<CommonMatch> matches;  // every common item, in the new form's order
};

// Finds A and B by the method over the common items. The characteristic-
// curve methods (Haebara, Stocking-Lord) weigh the request's points and
// minimise their criterion by Newton's method until A and B are within 1e-9
// of the minimiser, starting from whichever of the mean-sigma constants, the
// mean-mean constants and (1, 0) has the lowest criterion among those with a
// finite A above 0 and a finite B. A symmetric criterion adds the old form's
// common items carried to the new scale (a A, (b - B) / A) against the new
// form's, over the points on the new scale.
[[nodiscard]] LinkSearch link_scales(const ItemTable& new_form, const ItemTable& old_form,
                                     const LinkRequest& request);

// Every common item of a successful search, in the new form's order, with its
// drift on the old scale (CommonItem in zol.h): the robust z of each
// difference over the items the linking used, and the flag beyond DRIFT_Z.
std::vector<CommonItem> screen_common_items(const ItemTable& new_form, const ItemTable& old_form,
                                            const LinkSearch& link);

// How a search's A and B move with the parameters of the common items it
// used: for each form, the parameter's place in the form's list of
// parameters (ItemTable::first_parameter) and dA and dB. The moment methods'
// by their closed forms; the characteristic-curve methods' by the implicit
// function at the minimum, d(A, B)/d gamma = -H^-1 d2F/d(A, B)d gamma. Not
// usable (usable false) where the criterion's Hessian is not positive
// definite there.
struct LinkDerivative {
  std::size_t parameter = 0;
  double dA = 0.0, dB = 0.0;
};
struct LinkGradient {
  std::vector<LinkDerivative> new_form, old_form;
  bool usable = true;
};
LinkGradient link_gradient(const ItemTable& new_form, const ItemTable& old_form,
                           const LinkRequest& request, const LinkSearch& search);

// A criterion's value, its gradient and its Hessian in (A, B).
struct LinkCriterion {
  double f = 0.0;
  double fa = 0.0, fb = 0.0;
  double faa = 0.0, fab = 0.0, fbb = 0.0;
};

// The criterion of the Haebara or Stocking-Lord method at (A, B) over the
// common items of the forms, weighted as the linking weighs it, with its
// gradient and Hessian in (A, B). Zero throughout when the forms have fewer
// than 2 unambiguous common items.
LinkCriterion link_criterion(const ItemTable& new_form, const ItemTable& old_form,
                             const LinkRequest& request, double A, double B);

}  // namespace zol
