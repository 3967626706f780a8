// How the linking constants move with the common items' parameters: closed forms and the implicit function
#include <cmath>
#include <span>
#include <vector>

#include "irt/deterministic_exp.h"
#include "irt/link_criterion.h"
#include "irt/linking.h"
#include "precision/item_gradients.h"

namespace zol {

namespace {

// A parameter of a form's list of parameters and how much one common item's
// value (a slope or a location) moves with it: 1 for the parameter itself.
struct Entry {
  std::size_t parameter = 0;
  double value = 0.0;
};

// The used common items' slopes and pooled locations, with the parameter
// behind each, in the order the moment methods pool them.
struct Pooled {
  std::vector<Entry> old_slopes, new_slopes, old_bs, new_bs;
};

Pooled pooled(const ItemTable& new_form, const ItemTable& old_form, const LinkSearch& link) {
  Pooled p;
  for (const CommonMatch& match : link.matches) {
    if (!match.used) continue;
    const auto add_item = [](const ItemTable& table, std::size_t index,
                             std::vector<Entry>& slopes, std::vector<Entry>& bs) {
      const Item& item = table.items[index];
      const std::size_t first = table.first_parameter[index];
      slopes.push_back({first, item.a});
      const std::span<const double> locations_of = locations(item);
      for (std::size_t v = 0; v < locations_of.size(); ++v) {
        bs.push_back({first + 1 + v, locations_of[v]});
      }
    };
    add_item(new_form, match.new_index, p.new_slopes, p.new_bs);
    add_item(old_form, match.old_index, p.old_slopes, p.old_bs);
  }
  return p;
}

double mean(const std::vector<Entry>& values) {
  double total = 0.0;
  for (const Entry& e : values) total += e.value;
  return total / static_cast<double>(values.size());
}

// Adds (dA, dB) for each parameter to the form's list, merging repeats.
void add(std::vector<LinkDerivative>& into, std::size_t parameter, double dA, double dB) {
  for (LinkDerivative& d : into) {
    if (d.parameter == parameter) {
      d.dA += dA, d.dB += dB;
      return;
    }
  }
  into.push_back({parameter, dA, dB});
}

// The moment methods: A from the slopes (mean-mean, mean-gmean) or the
// locations' spreads (mean-sigma), and B = mean(b_old) - A mean(b_new).
LinkGradient moment_gradient(const Pooled& p, LinkMethod method, double A) {
  LinkGradient g;
  const double n_slopes = static_cast<double>(p.new_slopes.size());
  const double n_bs = static_cast<double>(p.new_bs.size());
  const double mean_new_b = mean(p.new_bs), mean_old_b = mean(p.old_bs);
  // dA for a slope or location, then dB = (its own term) - mean(b_new) dA.
  const auto slope_terms = [&](const std::vector<Entry>& slopes, bool is_new,
                               std::vector<LinkDerivative>& into) {
    const double mean_new = mean(p.new_slopes), mean_old = mean(p.old_slopes);
    for (const Entry& e : slopes) {
      double dA = 0.0;
      if (method == LinkMethod::MEAN_MEAN) {
        dA = is_new ? 1.0 / (n_slopes * mean_old) : -mean_new / (n_slopes * mean_old * mean_old);
      } else if (method == LinkMethod::MEAN_GMEAN) {
        dA = (is_new ? A : -A) / (n_slopes * e.value);
      }
      add(into, e.parameter, dA, -mean_new_b * dA);
    }
  };
  slope_terms(p.new_slopes, true, g.new_form);
  slope_terms(p.old_slopes, false, g.old_form);
  double spread_new = 0.0, spread_old = 0.0;
  for (std::size_t l = 0; l < p.new_bs.size(); ++l) {
    spread_new += (p.new_bs[l].value - mean_new_b) * (p.new_bs[l].value - mean_new_b);
    spread_old += (p.old_bs[l].value - mean_old_b) * (p.old_bs[l].value - mean_old_b);
  }
  const double sd_new = std::sqrt(spread_new / n_bs), sd_old = std::sqrt(spread_old / n_bs);
  for (std::size_t l = 0; l < p.new_bs.size(); ++l) {
    double dA_new = 0.0, dA_old = 0.0;
    if (method == LinkMethod::MEAN_SIGMA) {
      dA_old = (p.old_bs[l].value - mean_old_b) / (n_bs * sd_old * sd_new);
      dA_new = -A * (p.new_bs[l].value - mean_new_b) / (n_bs * sd_new * sd_new);
    }
    add(g.new_form, p.new_bs[l].parameter, dA_new, -A / n_bs - mean_new_b * dA_new);
    add(g.old_form, p.old_bs[l].parameter, dA_old, 1.0 / n_bs - mean_new_b * dA_old);
  }
  return g;
}

// d2F/dA d gamma and d2F/dB d gamma of one form's parameters, by parameter.
struct Mixed {
  std::vector<double> by_a, by_b;
};

// The curves a criterion compares: a 3PL item's right response, every category
// of an item of K categories.
std::size_t first_curve(const Item& item) {
  return item.model == ItemModel::THREE_PL ? 1 : 0;
}

}  // namespace

LinkGradient link_gradient(const ItemTable& new_form, const ItemTable& old_form,
                           const LinkRequest& request, const LinkSearch& search) {
  const Pooled p = pooled(new_form, old_form, search);
  if (!characteristic_curve_method(request.method)) {
    return moment_gradient(p, request.method, search.A);
  }
  const double A = search.A, B = search.B, d = request.d;
  const CommonItems items = used_common_items(new_form, old_form, search, d);
  const Criterion criterion = request_criterion(request, items);
  const LinkCriterion at = evaluate(criterion, A, B);
  const double det = at.faa * at.fbb - at.fab * at.fab;
  LinkGradient g;
  if (!(at.faa > 0.0 && det > 0.0)) {
    g.usable = false;
    return g;
  }
  Mixed new_mixed{std::vector<double>(new_form.parameter_count(), 0.0),
                  std::vector<double>(new_form.parameter_count(), 0.0)};
  Mixed old_mixed = new_mixed;
  old_mixed.by_a.assign(old_form.parameter_count(), 0.0);
  old_mixed.by_b.assign(old_form.parameter_count(), 0.0);
  const bool haebara = request.method == LinkMethod::HAEBARA;
  CategoryGradients fixed, moving;
  // forward: fixed old items at theta, moving new items at u = (theta - B) / A;
  // reverse: fixed new items at theta, moving old items at v = A theta + B.
  for (const bool forward : {true, false}) {
    if (!forward && !criterion.reverse) break;
    const CriterionPoints& q = forward ? criterion.forward : *criterion.reverse;
    const ItemTable& fixed_form = forward ? old_form : new_form;
    const ItemTable& moving_form = forward ? new_form : old_form;
    Mixed& fixed_out = forward ? old_mixed : new_mixed;
    Mixed& moving_out = forward ? new_mixed : old_mixed;
    for (std::size_t k = 0; k < q.points.size(); ++k) {
      const double theta = q.points[k], w = q.weights[k];
      const double at_point = forward ? (theta - B) / A : A * theta + B;
      const double at_A = forward ? -at_point / A : theta, at_B = forward ? -1.0 / A : 1.0;
      // Stocking-Lord's residual and the test curve's derivatives at this point.
      double residual = 0.0, curve_A = 0.0, curve_B = 0.0;
      if (!haebara) {
        for (const CommonPair& pair : items.pairs) {
          const Item& f = forward ? *pair.old_item : *pair.new_item;
          const Item& m = forward ? *pair.new_item : *pair.old_item;
          category_gradients(theta, f, d, fixed);
          category_gradients(at_point, m, d, moving);
          for (std::size_t c = 0; c < fixed.categories; ++c) {
            residual += category_score(c) * (fixed.p[c] - moving.p[c]);
            curve_A += category_score(c) * moving.dp_dtheta[c] * at_A;
            curve_B += category_score(c) * moving.dp_dtheta[c] * at_B;
          }
        }
      }
      for (const CommonPair& pair : items.pairs) {
        const Item& f = forward ? *pair.old_item : *pair.new_item;
        const Item& m = forward ? *pair.new_item : *pair.old_item;
        const std::size_t f_first = fixed_form.first_parameter[&f - fixed_form.items.data()];
        const std::size_t m_first = moving_form.first_parameter[&m - moving_form.items.data()];
        category_gradients(theta, f, d, fixed);
        category_gradients(at_point, m, d, moving);
        for (std::size_t j = 0; j < fixed.parameters; ++j) {
          double by_a = 0.0, by_b = 0.0;
          for (std::size_t c = first_curve(f); c < fixed.categories; ++c) {
            // d(-2 w r m_A)/d gamma of the fixed item: -2 w (dP/d gamma) m_A.
            const double weight = haebara ? 1.0 : category_score(c);
            const double m_A = haebara ? moving.dp_dtheta[c] * at_A : curve_A;
            const double m_B = haebara ? moving.dp_dtheta[c] * at_B : curve_B;
            by_a += -2.0 * w * weight * fixed.derivative(c, j) * m_A;
            by_b += -2.0 * w * weight * fixed.derivative(c, j) * m_B;
          }
          fixed_out.by_a[f_first + j] += by_a;
          fixed_out.by_b[f_first + j] += by_b;
        }
        for (std::size_t j = 0; j < moving.parameters; ++j) {
          double by_a = 0.0, by_b = 0.0;
          for (std::size_t c = first_curve(m); c < moving.categories; ++c) {
            const double weight = haebara ? 1.0 : category_score(c);
            const double r = haebara ? fixed.p[c] - moving.p[c] : residual;
            const double m_A = haebara ? moving.dp_dtheta[c] * at_A : curve_A;
            const double m_B = haebara ? moving.dp_dtheta[c] * at_B : curve_B;
            // d(-2 w r m_A)/d gamma of the moving item: -2 w (-(dP/dg) m_A + r dm_A/dg).
            by_a += -2.0 * w * weight *
                    (-moving.derivative(c, j) * m_A + r * moving.mixed(c, j) * at_A);
            by_b += -2.0 * w * weight *
                    (-moving.derivative(c, j) * m_B + r * moving.mixed(c, j) * at_B);
          }
          moving_out.by_a[m_first + j] += by_a;
          moving_out.by_b[m_first + j] += by_b;
        }
      }
    }
  }
  // d(A, B)/d gamma = -H^-1 (F_A gamma, F_B gamma).
  for (const auto& [mixed, into] : {std::pair{&new_mixed, &g.new_form}, {&old_mixed, &g.old_form}}) {
    for (std::size_t j = 0; j < mixed->by_a.size(); ++j) {
      const double fa = mixed->by_a[j], fb = mixed->by_b[j];
      if (fa == 0.0 && fb == 0.0) continue;
      into->push_back({j, -(at.fbb * fa - at.fab * fb) / det, -(at.faa * fb - at.fab * fa) / det});
    }
  }
  return g;
}

}  // namespace zol
