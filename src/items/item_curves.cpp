// An item's curves, on its own scale and carried to another one with their derivatives in A and B
#include <cassert>

#include "irt/category_model.h"
#include "irt/deterministic_exp.h"
#include "irt/item_formulas.h"
#include "irt/item_model.h"
#include "items/item_table.h"

namespace zol {

namespace {

// A 3PL item's probability on the new scale carried to the old one,
// P(theta; alpha / A, A beta + B, gamma), with its first and second
// derivatives in A and B.
CarriedCurve carried_right_response(double theta, const Item& item, double d, double A,
                                    double B) {
  const double alpha = item.a, gamma = item.c;
  // The exponent of the item model, for the transformed parameters.
  double z = 0.0;
  item_formulas::logistic_exponent(theta, d, alpha / A, A * item.b + B, z);
  const double e = deterministic_exp(z);
  const double sigma = 1.0 / (1.0 + e);
  // sigma (1 - sigma), written so that e of 0 or infinity gives 0.
  const double s1 = 1.0 / (e + 2.0 + 1.0 / e);
  const double s2 = s1 * (1.0 - 2.0 * sigma);
  // z = D alpha ((theta - B) / A - beta), sigma = 1 / (1 + e^-z).
  const double da = d * alpha;
  const double za = -da * (theta - B) / (A * A), zb = -da / A;
  const double zaa = 2.0 * da * (theta - B) / (A * A * A), zab = da / (A * A);
  const double scale = 1.0 - gamma;
  return {gamma + scale * sigma,
          scale * s1 * za,
          scale * s1 * zb,
          scale * (s2 * za * za + s1 * zaa),
          scale * (s2 * za * zb + s1 * zab),
          scale * s2 * zb * zb};
}

// The category probabilities of an item of K categories carried to the old
// scale, P_k(theta; alpha / A, A b_v + B): the item itself at u = (theta -
// B) / A, its derivatives in A and B through u.
void carried_categories(double theta, const Item& item, double d, double A, double B,
                        std::span<CarriedCurve> carried) {
  const std::size_t k = item.steps.size() + 1;
  double p[MOST_CATEGORIES], dp[MOST_CATEGORIES], d2p[MOST_CATEGORIES];
  const double u = (theta - B) / A;
  category_derivatives(u, {item.model, item.a, item.steps}, d, {p, k}, {dp, k}, {d2p, k});
  const double ua = -(theta - B) / (A * A), ub = -1.0 / A;
  const double uaa = 2.0 * (theta - B) / (A * A * A), uab = 1.0 / (A * A);
  for (std::size_t c = 0; c < k; ++c) {
    carried[c] = {p[c],
                  dp[c] * ua,
                  dp[c] * ub,
                  d2p[c] * ua * ua + dp[c] * uaa,
                  d2p[c] * ua * ub + dp[c] * uab,
                  d2p[c] * ub * ub};
  }
}

// A 3PL item's probability of a right response at theta with its first and
// second derivatives in theta: with sigma = 1 / (1 + e), e = exp(d a (b -
// theta)), P = c + (1 - c) sigma, P' = d a (1 - c) sigma (1 - sigma) and P''
// = P' d a (1 - 2 sigma); sigma (1 - sigma) written so that e of 0 or
// infinity gives 0.
void right_response_derivatives(double theta, const Item& item, double d, double& p, double& dp,
                                double& d2p) {
  double z = 0.0;
  item_formulas::logistic_exponent(theta, d, item.a, item.b, z);
  const double e = deterministic_exp(z);
  const double sigma = 1.0 / (1.0 + e);
  const double da = d * item.a;
  p = item.c + (1.0 - item.c) * sigma;
  dp = da * (1.0 - item.c) / (e + 2.0 + 1.0 / e);
  d2p = dp * da * (1.0 - 2.0 * sigma);
}

}  // namespace

std::size_t curve_count(const Item& item) {
  return item.model == ItemModel::THREE_PL ? 1 : item.steps.size() + 1;
}

void item_curves(double theta, const Item& item, double d, std::span<double> p) {
  assert(p.size() >= curve_count(item));
  if (item.model == ItemModel::THREE_PL) {
    p[0] = prob_3pl(theta, item.a, item.b, item.c, d);
    return;
  }
  category_probabilities(theta, {item.model, item.a, item.steps}, d,
                         p.first(item.steps.size() + 1));
}

void carried_curves(double theta, const Item& item, double d, double A, double B,
                    std::span<CarriedCurve> curves) {
  assert(curves.size() >= curve_count(item));
  if (item.model == ItemModel::THREE_PL) {
    curves[0] = carried_right_response(theta, item, d, A, B);
    return;
  }
  carried_categories(theta, item, d, A, B, curves);
}

void reversed_curves(double theta, const Item& item, double d, double A, double B,
                     std::span<CarriedCurve> curves) {
  assert(curves.size() >= curve_count(item));
  const double v = A * theta + B;
  double p[MOST_CATEGORIES], dp[MOST_CATEGORIES], d2p[MOST_CATEGORIES];
  const std::size_t count = curve_count(item);
  if (item.model == ItemModel::THREE_PL) {
    right_response_derivatives(v, item, d, p[0], dp[0], d2p[0]);
  } else {
    category_derivatives(v, {item.model, item.a, item.steps}, d, {p, count}, {dp, count},
                         {d2p, count});
  }
  // dv/dA = theta, dv/dB = 1.
  for (std::size_t c = 0; c < count; ++c) {
    curves[c] = {p[c],          dp[c] * theta,         dp[c],
                 d2p[c] * theta * theta, d2p[c] * theta, d2p[c]};
  }
}

}  // namespace zol
