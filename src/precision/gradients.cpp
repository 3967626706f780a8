// Gradients over both forms' free parameters, their variance, and the true-score equivalents'
#include <cmath>

#include "precision/item_gradients.h"
#include "precision/precision_parts.h"

namespace zol {

std::vector<std::size_t> free_places(const ItemTable& form, const FormCovariance* covariance) {
  std::vector<std::size_t> places(form.parameter_count(), NOT_FREE);
  if (covariance == nullptr) return places;
  for (std::size_t k = 0; k < covariance->parameters.size(); ++k) {
    places[covariance->parameters[k]] = k;
  }
  return places;
}

Gradient zero_gradient(const PrecisionSource& source) {
  Gradient g;
  if (source.new_covariance) g.new_form.assign(source.new_covariance->parameters.size(), 0.0);
  if (source.old_covariance) g.old_form.assign(source.old_covariance->parameters.size(), 0.0);
  return g;
}

namespace {

double quadratic_form(const std::vector<double>& g, const FormCovariance* covariance) {
  if (covariance == nullptr) return 0.0;
  const std::size_t m = g.size();
  double total = 0.0;
  for (std::size_t k = 0; k < m; ++k) {
    if (g[k] == 0.0) continue;
    const double* row = covariance->matrix.data() + k * m;
    double inner = 0.0;
    for (std::size_t l = 0; l < m; ++l) inner += row[l] * g[l];
    total += g[k] * inner;
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

// The lowest expected score that the line below the chance score runs
// through: the sum of the 3PL items' c, whose derivative in each c is 1.
double chance_of(const ItemTable& form) {
  double chance = 0.0;
  for (const Item& item : form.items) chance += item.model == ItemModel::THREE_PL ? item.c : 0.0;
  return chance;
}

void add_to_each_c(const ItemTable& form, const std::vector<std::size_t>& free, double by,
                   std::vector<double>& into) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form.items[i].model != ItemModel::THREE_PL) continue;
    const std::size_t k = free[form.first_parameter[i] + 2];
    if (k != NOT_FREE) into[k] += by;
  }
}

// Raw score x at or below the chance score: x times the old form's chance
// score over the new form's, the line through (0, 0) and both chance scores.
Gradient line_gradient(const PrecisionSource& source, std::size_t x) {
  Gradient g = zero_gradient(source);
  const Records& records = *source.records;
  const double new_chance = chance_of(records.new_form), old_chance = chance_of(records.old_form);
  if (!(new_chance > 0.0)) return g;
  const double raw = static_cast<double>(x);
  add_to_each_c(records.new_form, source.new_free, -raw * old_chance / (new_chance * new_chance),
                g.new_form);
  add_to_each_c(records.old_form, source.old_free, raw / new_chance, g.old_form);
  return g;
}

// The form's test curve at theta: its slope, and its derivative in each free
// parameter added into by_parameter.
double test_curve(const ItemTable& form, const std::vector<std::size_t>& free, double theta,
                  double d, std::vector<double>& by_parameter) {
  CategoryGradients item;
  double slope = 0.0;
  for (std::size_t i = 0; i < form.size(); ++i) {
    category_gradients(theta, form.items[i], d, item);
    for (std::size_t c = 0; c < item.categories; ++c) {
      slope += category_score(c) * item.dp_dtheta[c];
    }
    for (std::size_t j = 0; j < item.parameters; ++j) {
      const std::size_t k = free[form.first_parameter[i] + j];
      if (k == NOT_FREE) continue;
      for (std::size_t c = 0; c < item.categories; ++c) {
        by_parameter[k] += category_score(c) * item.derivative(c, j);
      }
    }
  }
  return slope;
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
  const double old_slope = test_curve(records.old_form, source.old_free, theta, source.d, g.old_form);
  const double new_slope = test_curve(records.new_form, source.new_free, u, source.d, g.new_form);
  if (!(new_slope != 0.0) || !std::isfinite(new_slope)) return std::nullopt;
  const double factor = -old_slope * A / new_slope;
  for (double& value : g.new_form) value *= factor;
  g.A = old_slope * u;
  g.B = old_slope;
  return g;
}

}  // namespace zol
