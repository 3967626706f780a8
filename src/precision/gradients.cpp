// Gradients over both forms' free parameters, their variance, and the true-score equivalents'
#include <cmath>

#include "irt/true_score.h"
#include "precision/item_gradients.h"
#include "precision/precision_parts.h"

namespace zol {

Gradient zero_gradient(const PrecisionSource& source) {
  Gradient g;
  if (source.new_covariance) g.new_form.assign(source.new_covariance->parameters.size(), 0.0);
  if (source.old_covariance) g.old_form.assign(source.old_covariance->parameters.size(), 0.0);
  return g;
}

namespace {

// g' S g from S's lower triangle, S being symmetric: sum_k g_k (S_kk g_k + 2
// sum_(l<k) S_kl g_l).
double quadratic_form(const std::vector<double>& g, const FormCovariance* covariance) {
  if (covariance == nullptr) return 0.0;
  const std::size_t m = g.size();
  double total = 0.0;
  for (std::size_t k = 0; k < m; ++k) {
    if (g[k] == 0.0) continue;
    const double* row = covariance->matrix.data() + k * m;
    double below = 0.0;
    for (std::size_t l = 0; l < k; ++l) below += row[l] * g[l];
    total += g[k] * (row[k] * g[k] + 2.0 * below);
  }
  return total;
}

}  // namespace

double variance(const PrecisionSource& source, const Gradient& gradient) {
  Gradient g = gradient;
  const auto through_linking = [&](const std::vector<LinkDerivative>& derivatives,
                                    const std::vector<std::size_t>& free,
                                    std::vector<double>& into) {
    for (const LinkDerivative& d : derivatives) {
      const std::size_t k = free[d.parameter];
      if (k != NOT_FREE) into[k] += g.A * d.dA + g.B * d.dB;
    }
  };
  if (source.link != nullptr && (g.A != 0.0 || g.B != 0.0)) {
    through_linking(source.link->new_form, source.new_free, g.new_form);
    through_linking(source.link->old_form, source.old_free, g.old_form);
  }
  return quadratic_form(g.new_form, source.new_covariance) +
         quadratic_form(g.old_form, source.old_covariance);
}

}  // namespace zol

namespace zol {

namespace {

// Adds the derivatives of the form's expected score at theta in its free
// parameters, times factor, into by_parameter: of all its items, or of its
// items of K categories alone. Gives the expected score and its slope.
struct CurvePoint {
  double score = 0.0;
  double slope = 0.0;
};

CurvePoint add_test_curve(const ItemTable& form, const std::vector<std::size_t>& free,
                          double theta, double d, bool categories_only, double factor,
                          std::vector<double>& by_parameter) {
  CategoryGradients item;
  CurvePoint curve;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (categories_only && form.items[i].model == ItemModel::THREE_PL) continue;
    category_gradients(theta, form.items[i], d, item);
    for (std::size_t c = 0; c < item.categories; ++c) {
      curve.score += category_score(c) * item.p[c];
      curve.slope += category_score(c) * item.dp_dtheta[c];
    }
    for (std::size_t j = 0; j < item.parameters; ++j) {
      const std::size_t k = free[form.first_parameter[i] + j];
      if (k == NOT_FREE) continue;
      for (std::size_t c = 0; c < item.categories; ++c) {
        by_parameter[k] += factor * category_score(c) * item.derivative(c, j);
      }
    }
  }
  return curve;
}

// The lowest expected score of a form within the bracket, which the line below
// the chance score runs through (see true_score.h): its c's and, unless they
// add up to a negligible tail, its category items' expected scores at the
// bracket's bottom, theta_low on the form's own scale. Its derivative, times
// factor, goes into by_parameter; with A and B into by_A and by_B through
// theta_low's own, at_A and at_B.
struct Anchor {
  double value = 0.0;
  double share_slope = 0.0;  // of the category items' share, when it counts
};

Anchor anchor(const ItemTable& form, const std::vector<std::size_t>& free, double theta_low,
              double d, double factor, std::vector<double>& by_parameter) {
  Anchor result;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form.items[i].model != ItemModel::THREE_PL) continue;
    result.value += form.items[i].c;
    const std::size_t k = free[form.first_parameter[i] + 2];
    if (k != NOT_FREE) by_parameter[k] += factor;
  }
  std::vector<double> share_by_parameter(by_parameter.size(), 0.0);
  const CurvePoint share =
      add_test_curve(form, free, theta_low, d, true, factor, share_by_parameter);
  if (share.score < NEGLIGIBLE_SHARE) return result;
  result.value += share.score;
  result.share_slope = share.slope;
  for (std::size_t k = 0; k < by_parameter.size(); ++k) by_parameter[k] += share_by_parameter[k];
  return result;
}

// Raw score x at or below the lowest expected score: on the line through (0,
// 0) and both forms' anchors, e = x C_old / C_new.
Gradient line_gradient(const PrecisionSource& source, std::size_t x) {
  Gradient g = zero_gradient(source);
  const Records& records = *source.records;
  const double A = source.A(), B = source.B(), raw = static_cast<double>(x);
  const double new_low = (-THETA_LIMIT - B) / A;
  // The anchors' derivatives first, each then scaled by its own factor.
  Gradient new_part = zero_gradient(source), old_part = zero_gradient(source);
  const Anchor new_anchor = anchor(records.new_form, source.new_free, new_low, source.d, 1.0,
                                   new_part.new_form);
  const Anchor old_anchor = anchor(records.old_form, source.old_free, -THETA_LIMIT, source.d, 1.0,
                                   old_part.old_form);
  const double slope = old_anchor.value / new_anchor.value;
  if (!(new_anchor.value > 0.0) || !std::isfinite(slope)) return g;
  const double by_new = -raw * old_anchor.value / (new_anchor.value * new_anchor.value);
  const double by_old = raw / new_anchor.value;
  for (std::size_t k = 0; k < g.new_form.size(); ++k) g.new_form[k] = by_new * new_part.new_form[k];
  for (std::size_t k = 0; k < g.old_form.size(); ++k) g.old_form[k] = by_old * old_part.old_form[k];
  // The new form's bottom of the bracket, (-150 - B) / A, moves with A and B.
  g.A = by_new * new_anchor.share_slope * (-new_low / A);
  g.B = by_new * new_anchor.share_slope * (-1.0 / A);
  return g;
}

}  // namespace

// e = tau_old(theta) where tau_new*(theta) = x, the new form carried to the
// common scale: tau_new*(theta) = tau_new(u), u = (theta - B) / A. So e moves
// with an old parameter as tau_old does at theta, with a new one as -tau_old'
// A (d tau_new / d gamma)(u) / tau_new'(u), and with A and B as tau_old'(theta)
// times u and 1.
std::optional<Gradient> true_score_gradient(const PrecisionSource& source, std::size_t x) {
  const double theta = source.results->true_score.theta[x];
  if (theta >= THETA_LIMIT) return zero_gradient(source);  // the top score: fixed
  if (theta <= -THETA_LIMIT) return line_gradient(source, x);
  const Records& records = *source.records;
  const double A = source.A(), B = source.B(), u = (theta - B) / A;
  Gradient g = zero_gradient(source);
  const double old_slope =
      add_test_curve(records.old_form, source.old_free, theta, source.d, false, 1.0, g.old_form)
          .slope;
  const double new_slope =
      add_test_curve(records.new_form, source.new_free, u, source.d, false, 1.0, g.new_form).slope;
  if (!(new_slope != 0.0) || !std::isfinite(new_slope)) return std::nullopt;
  const double factor = -old_slope * A / new_slope;
  for (double& value : g.new_form) value *= factor;
  g.A = old_slope * u;
  g.B = old_slope;
  return g;
}

}  // namespace zol
