// The observed-score equivalents' variances: the fitted distributions' derivatives, leave one item out
#include <cmath>
#include <span>
#include <vector>

#include "common/double_double.h"
#include "observed/equipercentile.h"
#include "precision/item_gradients.h"
#include "precision/precision_parts.h"

namespace zol {

namespace {

// A point at which a form is fitted: where its items are evaluated (on the
// form's own scale), its weight in the population (the synthetic weight
// included), and how that place moves with A and B.
struct Evaluation {
  double at = 0.0;
  double weight = 0.0;
  double by_A = 0.0, by_B = 0.0;
};

// The fitted distribution's derivatives by raw score: for each free parameter
// k the column by_parameter[k * scores + y], and the columns of A and B.
struct Jacobian {
  std::size_t scores = 0;
  std::vector<double> by_parameter, by_A, by_B;

  double* column(std::size_t k) { return by_parameter.data() + k * scores; }
  const double* column(std::size_t k) const { return by_parameter.data() + k * scores; }
};

void convolve(const std::vector<double>& x, const std::vector<double>& y,
              std::vector<double>& out) {
  out.assign(x.size() + y.size() - 1, 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i] == 0.0) continue;
    for (std::size_t j = 0; j < y.size(); ++j) out[i + j] += x[i] * y[j];
  }
}

std::vector<double> product(const std::vector<CategoryGradients>& items,
                            std::span<const std::size_t> order) {
  std::vector<double> result{1.0}, next;
  for (std::size_t i : order) {
    convolve(result, items[i].p, next);
    result.swap(next);
  }
  return result;
}

// Calls leaf(i, outside) with the distribution of every item but item i, for
// the items order[from..to-1] whose outside holds the distribution of the
// items beyond them: halving the range, each half's outside is the whole
// outside times the other half, so every item's is found in about n^2 log n
// steps.
template <typename Leaf>
void leave_one_out(const std::vector<CategoryGradients>& items, std::span<const std::size_t> order,
                   const std::vector<double>& outside, Leaf& leaf) {
  if (order.size() == 1) {
    leaf(order[0], outside);
    return;
  }
  const std::size_t middle = order.size() / 2;
  std::vector<double> inner;
  convolve(outside, product(items, order.subspan(middle)), inner);
  leave_one_out(items, order.first(middle), inner, leaf);
  convolve(outside, product(items, order.first(middle)), inner);
  leave_one_out(items, order.subspan(middle), inner, leaf);
}

// The distribution of the items but one right/wrong item, from the whole
// one: divided by (q, p) from the bottom when p <= 1/2 and from the top
// otherwise, dividing by the larger of q and p, so that no error grows.
void divide(const std::vector<double>& whole, double p, std::vector<double>& others) {
  const double q = 1.0 - p;
  const std::size_t n = whole.size() - 1;
  others.resize(n);
  if (p <= 0.5) {
    others[0] = whole[0] / q;
    for (std::size_t x = 1; x < n; ++x) others[x] = (whole[x] - p * others[x - 1]) / q;
    return;
  }
  others[n - 1] = whole[n] / p;
  for (std::size_t x = n - 1; x >= 1; --x) others[x - 1] = (whole[x] - q * others[x]) / p;
}

// Calls leaf(i, others) for every item with the distribution of the others:
// the right/wrong items' by dividing the whole distribution by each, those of
// K categories by halving among themselves, from the right/wrong items'
// distribution.
template <typename Leaf>
void every_item_left_out(const ItemTable& form, const std::vector<CategoryGradients>& items,
                         Leaf& leaf) {
  std::vector<std::size_t> right_wrong, categories;
  for (std::size_t i = 0; i < form.size(); ++i) {
    (form.items[i].model == ItemModel::THREE_PL ? right_wrong : categories).push_back(i);
  }
  const std::vector<double> right_wrong_product = product(items, right_wrong);
  if (!right_wrong.empty()) {
    std::vector<double> whole;
    convolve(right_wrong_product, product(items, categories), whole);
    std::vector<double> others;
    for (std::size_t i : right_wrong) {
      divide(whole, items[i].p[1], others);
      leaf(i, others);
    }
  }
  if (!categories.empty()) leave_one_out(items, categories, right_wrong_product, leaf);
}

// The form's fitted distribution's derivatives over its evaluations.
Jacobian jacobian(const ItemTable& form, const std::vector<std::size_t>& free, std::size_t free_count,
                  const std::vector<Evaluation>& evaluations, double d) {
  Jacobian j;
  j.scores = static_cast<std::size_t>(form.top_score) + 1;
  j.by_parameter.assign(free_count * j.scores, 0.0);
  j.by_A.assign(j.scores, 0.0);
  j.by_B.assign(j.scores, 0.0);
  std::vector<CategoryGradients> items(form.size());
  std::vector<double> location(j.scores);
  for (const Evaluation& e : evaluations) {
    for (std::size_t i = 0; i < form.size(); ++i) {
      category_gradients(e.at, form.items[i], d, items[i]);
    }
    std::fill(location.begin(), location.end(), 0.0);
    std::vector<double> step;
    auto leaf = [&](std::size_t i, const std::vector<double>& others) {
      const CategoryGradients& item = items[i];
      if (item.categories == 2) {
        // Two categories move together, the first by minus the second:
        // score y moves by others[y - 1] - others[y] times the second's move.
        step.assign(others.size() + 1, 0.0);
        for (std::size_t y = 0; y < step.size(); ++y) {
          step[y] = (y > 0 ? others[y - 1] : 0.0) - (y < others.size() ? others[y] : 0.0);
        }
        for (std::size_t y = 0; y < step.size(); ++y) location[y] += step[y] * item.dp_dtheta[1];
        for (std::size_t p = 0; p < item.parameters; ++p) {
          const std::size_t k = free[form.first_parameter[i] + p];
          if (k == NOT_FREE) continue;
          const double by = e.weight * item.derivative(1, p);
          double* column = j.column(k);
          for (std::size_t y = 0; y < step.size(); ++y) column[y] += step[y] * by;
        }
        return;
      }
      for (std::size_t c = 0; c < item.categories; ++c) {
        for (std::size_t y = 0; y < others.size(); ++y) {
          location[y + c] += others[y] * item.dp_dtheta[c];
        }
        for (std::size_t p = 0; p < item.parameters; ++p) {
          const std::size_t k = free[form.first_parameter[i] + p];
          if (k == NOT_FREE) continue;
          const double by = e.weight * item.derivative(c, p);
          double* column = j.column(k);
          for (std::size_t y = 0; y < others.size(); ++y) column[y + c] += others[y] * by;
        }
      }
    };
    every_item_left_out(form, items, leaf);
    for (std::size_t y = 0; y < j.scores; ++y) {
      j.by_A[y] += e.weight * e.by_A * location[y];
      j.by_B[y] += e.weight * e.by_B * location[y];
    }
  }
  // Cumulated: the derivatives of the cumulative proportions.
  const auto cumulate = [&](double* column) {
    for (std::size_t y = 1; y < j.scores; ++y) column[y] += column[y - 1];
  };
  for (std::size_t k = 0; k < free_count; ++k) cumulate(j.column(k));
  cumulate(j.by_A.data());
  cumulate(j.by_B.data());
  return j;
}

// Where each form is evaluated: one population's points (on the common scale,
// where the new form stands at u = (theta - B) / A), or two groups: the new
// group's points on the new scale (where the old form stands at A theta + B)
// and the old group's on the old scale, weighted w1 and 1 - w1.
struct Evaluations {
  std::vector<Evaluation> new_form, old_form;
};

Evaluations evaluations(const PrecisionSource& source) {
  const Records& records = *source.records;
  const bool linked = source.results->linking.has_value();
  const double A = source.A(), B = source.B();
  Evaluations e;
  const auto on_new_scale = [&](double theta, double weight) {
    const double u = (theta - B) / A;
    e.new_form.push_back({u, weight, linked ? -u / A : 0.0, linked ? -1.0 / A : 0.0});
  };
  if (records.old_theta == nullptr) {
    for (std::size_t k = 0; k < records.theta->points.size(); ++k) {
      on_new_scale(records.theta->points[k], records.theta->weights[k]);
      e.old_form.push_back({records.theta->points[k], records.theta->weights[k], 0.0, 0.0});
    }
    return e;
  }
  const double w1 = source.results->synthetic_weight.value_or(1.0);
  for (std::size_t k = 0; k < records.theta->points.size(); ++k) {
    const double point = records.theta->points[k], weight = w1 * records.theta->weights[k];
    e.new_form.push_back({point, weight, 0.0, 0.0});
    e.old_form.push_back(linked ? Evaluation{A * point + B, weight, point, 1.0}
                                : Evaluation{point, weight, 0.0, 0.0});
  }
  for (std::size_t k = 0; k < records.old_theta->points.size(); ++k) {
    const double point = records.old_theta->points[k];
    const double weight = (1.0 - w1) * records.old_theta->weights[k];
    on_new_scale(point, weight);
    e.old_form.push_back({point, weight, 0.0, 0.0});
  }
  return e;
}

// Adds factor times row y of the cumulative Jacobian (nothing for y < 0) into
// the gradient's part of that form, A and B.
void add_row(const Jacobian& j, long y, double factor, std::vector<double>& into, Gradient& g) {
  if (y < 0) return;
  const auto row = static_cast<std::size_t>(y);
  for (std::size_t k = 0; k < into.size(); ++k) into[k] += factor * j.column(k)[row];
  g.A += factor * j.by_A[row];
  g.B += factor * j.by_B[row];
}

}  // namespace

// The equivalent of raw score x is e = j - 1/2 + (R - G_(j-1)) / (G_j -
// G_(j-1)) with R = (F_(x-1) + F_x) / 2, F and G the cumulative
// distributions: de/dF_(x-1) = de/dF_x = 1 / (2 w) and de/dG_(j-1) = -(1 -
// f) / w, de/dG_j = -f / w, w = G_j - G_(j-1) and f the fraction.
std::vector<std::optional<double>> observed_score_variances(const PrecisionSource& source) {
  const Records& records = *source.records;
  const ObservedScoreEquating& observed = *source.results->observed_score;
  const Evaluations at = evaluations(source);
  const Gradient zero = zero_gradient(source);
  const Jacobian new_j = jacobian(records.new_form, source.new_free, zero.new_form.size(),
                                  at.new_form, source.d);
  const Jacobian old_j = jacobian(records.old_form, source.old_free, zero.old_form.size(),
                                  at.old_form, source.d);
  // The cumulative distributions and intervals that the equating took.
  std::vector<double> new_cumulative(observed.new_distribution.size());
  std::vector<double> old_cumulative(observed.old_distribution.size());
  cumulate(observed.new_distribution, new_cumulative);
  cumulate(observed.old_distribution, old_cumulative);
  std::vector<std::optional<double>> variances(new_cumulative.size());
  for (std::size_t x = 0; x < new_cumulative.size(); ++x) {
    const PercentileInterval interval = percentile_interval(new_cumulative, x, old_cumulative);
    const std::size_t j = interval.index;
    const DoubleDouble lower = interval.lower;
    const double width = (DoubleDouble(old_cumulative[j]) - lower).value();
    if (!(width > 0.0)) continue;
    const double fraction = ((interval.rank - lower) / DoubleDouble(width)).value();
    Gradient g = zero;
    const long at_x = static_cast<long>(x), at_j = static_cast<long>(j);
    add_row(new_j, at_x - 1, 0.5 / width, g.new_form, g);
    add_row(new_j, at_x, 0.5 / width, g.new_form, g);
    add_row(old_j, at_j - 1, -(1.0 - fraction) / width, g.old_form, g);
    add_row(old_j, at_j, -fraction / width, g.old_form, g);
    const double v = variance(source, g);
    if (std::isfinite(v)) variances[x] = v;
  }
  return variances;
}

}  // namespace zol
