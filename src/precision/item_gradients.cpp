// Derivatives of an item's category probabilities in theta and in its parameters, every model
#include "precision/item_gradients.h"

#include <cassert>

#include "irt/deterministic_exp.h"

namespace zol {

namespace {

// The logistic 1 / (1 + e^-x) and its derivative L (1 - L), written so that an
// exponential that overflows or underflows gives 0, not infinity over infinity.
struct Logistic {
  double value = 0.0;
  double slope = 0.0;
};

Logistic logistic(double x) {
  const double e = deterministic_exp(-x);
  return {1.0 / (1.0 + e), 1.0 / (e + 2.0 + 1.0 / e)};
}

void size(CategoryGradients& out, std::size_t categories, std::size_t parameters) {
  out.categories = categories;
  out.parameters = parameters;
  out.p.assign(categories, 0.0);
  out.dp_dtheta.assign(categories, 0.0);
  out.dp.assign(categories * parameters, 0.0);
  out.dp_dtheta_dg.assign(categories * parameters, 0.0);
}

// P = c + (1 - c) L(z), z = d a (theta - b): the right response's
// derivatives, and the wrong one's their negatives.
void three_pl(double theta, const Item& item, double d, CategoryGradients& out) {
  size(out, 2, 3);
  const double z = d * item.a * (theta - item.b);
  const Logistic l = logistic(z);
  const double rest = 1.0 - item.c;
  const double da = d * item.a;
  const double right = item.c + rest * l.value;
  const double slope = rest * l.slope * da;
  // d/dtheta of L(1 - L) is da L (1 - L)(1 - 2L).
  const double curve = 1.0 - 2.0 * l.value;
  const double by_parameter[3] = {rest * l.slope * d * (theta - item.b), -slope, 1.0 - l.value};
  const double mixed[3] = {rest * l.slope * d * (1.0 + z * curve), -slope * da * curve,
                           -l.slope * da};
  out.p = {1.0 - right, right};
  out.dp_dtheta = {-slope, slope};
  for (std::size_t j = 0; j < 3; ++j) {
    out.dp[j] = -by_parameter[j];
    out.dp[3 + j] = by_parameter[j];
    out.dp_dtheta_dg[j] = -mixed[j];
    out.dp_dtheta_dg[3 + j] = mixed[j];
  }
}

// P_k = exp(s_k) / sum_h exp(s_h), s_k = d a u_k, u_k = sum_(v<=k) (theta -
// b_v). For any x, dP_k/dx = P_k (ds_k/dx - sum_h P_h ds_h/dx); ds_k/dtheta =
// d a k, ds_k/da = d u_k, ds_k/db_v = -d a [k >= v]. The mixed derivative of
// dP_k/dtheta = d a P_k (k - E) is d a (dP_k/dx (k - E) - P_k dE/dx), and
// for x = a also d P_k (k - E).
void gpcm(double theta, const Item& item, double d, CategoryGradients& out) {
  const std::size_t count = item.steps.size() + 1, parameters = count;
  size(out, count, parameters);
  category_probabilities(theta, {item.model, item.a, item.steps}, d, out.p);
  double u = 0.0, mean_u = 0.0, mean = 0.0;
  std::vector<double> us(count, 0.0), tail(count + 1, 0.0);
  for (std::size_t k = 0; k < count; ++k) {
    if (k > 0) u += theta - item.steps[k - 1];
    us[k] = u;
    mean_u += out.p[k] * u;
    mean += out.p[k] * static_cast<double>(k);
  }
  // tail[v] = sum_(h>=v) P_h.
  for (std::size_t k = count; k-- > 0;) tail[k] = tail[k + 1] + out.p[k];
  const double da = d * item.a;
  for (std::size_t k = 0; k < count; ++k) {
    const double deviation = static_cast<double>(k) - mean;
    out.dp_dtheta[k] = da * out.p[k] * deviation;
    out.dp[k * parameters] = d * out.p[k] * (us[k] - mean_u);
    for (std::size_t v = 1; v < count; ++v) {
      out.dp[k * parameters + v] = -da * out.p[k] * ((k >= v ? 1.0 : 0.0) - tail[v]);
    }
  }
  for (std::size_t j = 0; j < parameters; ++j) {
    double mean_change = 0.0;  // dE/d gamma_j
    for (std::size_t k = 0; k < count; ++k) {
      mean_change += static_cast<double>(k) * out.dp[k * parameters + j];
    }
    for (std::size_t k = 0; k < count; ++k) {
      const double deviation = static_cast<double>(k) - mean;
      double mixed = da * (out.dp[k * parameters + j] * deviation - out.p[k] * mean_change);
      if (j == 0) mixed += d * out.p[k] * deviation;
      out.dp_dtheta_dg[k * parameters + j] = mixed;
    }
  }
}

// P_k = P*_k - P*_(k+1), P*_k = L(x_k), x_k = d a (theta - b_k), P*_0 = 1 and
// P*_K = 0. dP*_k/dtheta = d a w_k, dP*_k/da = d (theta - b_k) w_k, dP*_k/db_k
// = -d a w_k with w_k = L (1 - L); mixed: d w_k (1 + x_k (1 - 2 L)) for a and
// -(d a)^2 w_k (1 - 2 L) for b_k.
void grm(double theta, const Item& item, double d, CategoryGradients& out) {
  const std::size_t count = item.steps.size() + 1, parameters = count;
  size(out, count, parameters);
  category_probabilities(theta, {item.model, item.a, item.steps}, d, out.p);
  const double da = d * item.a;
  // Each boundary k = 1..K-1 adds to category k - 1 and takes from category k.
  for (std::size_t k = 1; k < count; ++k) {
    const double x = da * (theta - item.steps[k - 1]);
    const Logistic l = logistic(x);
    const double curve = 1.0 - 2.0 * l.value;
    const double slope = da * l.slope;
    const double by_a = d * (theta - item.steps[k - 1]) * l.slope, by_b = -slope;
    const double mixed_a = d * l.slope * (1.0 + x * curve), mixed_b = -slope * da * curve;
    for (const auto& [c, sign] : {std::pair{k - 1, -1.0}, std::pair{k, 1.0}}) {
      out.dp_dtheta[c] += sign * slope;
      out.dp[c * parameters] += sign * by_a;
      out.dp[c * parameters + k] += sign * by_b;
      out.dp_dtheta_dg[c * parameters] += sign * mixed_a;
      out.dp_dtheta_dg[c * parameters + k] += sign * mixed_b;
    }
  }
}

}  // namespace

void category_gradients(double theta, const Item& item, double d, CategoryGradients& out) {
  switch (item.model) {
    case ItemModel::THREE_PL:
      return three_pl(theta, item, d, out);
    case ItemModel::GPCM:
      return gpcm(theta, item, d, out);
    case ItemModel::GRM:
      return grm(theta, item, d, out);
  }
}

}  // namespace zol
