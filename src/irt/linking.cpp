// Linking the new form's scale to the old form's: common items, the four methods, the minimisation
#include "irt/linking.h"

#include <cmath>
#include <map>
#include <vector>

#include "irt/deterministic_exp.h"

namespace zol {

namespace {

constexpr int MOST_NEWTON_STEPS = 100;
constexpr int MOST_HALVINGS = 60;
// Newton's steps shrink quadratically near the minimiser, so a step this short
// is about the distance left to it: taken, it puts A and B well within 1e-9.
// (The criterion itself cannot tell points much closer apart: its rounding
// outweighs what a step of 1e-10 changes.)
constexpr double STEP_TOLERANCE = 1e-9;
// Without an ability distribution: 41 points from -4 to 4, normal weights.
constexpr int DEFAULT_POINTS = 41;
constexpr double DEFAULT_SPACING = 0.2;

struct MethodName {
  LinkMethod method;
  const char* title;   // as the report writes it
  const char* option;  // as the command line takes it
};

constexpr MethodName METHOD_NAMES[] = {
    {LinkMethod::MEAN_MEAN, "Mean-Mean", "mean-mean"},
    {LinkMethod::MEAN_SIGMA, "Mean-Sigma", "mean-sigma"},
    {LinkMethod::HAEBARA, "Haebara", "haebara"},
    {LinkMethod::STOCKING_LORD, "Stocking-Lord", "stocking-lord"},
};

// A common item: the new form's item and the old form's.
struct CommonPair {
  const Item* new_item = nullptr;
  const Item* old_item = nullptr;
};

// The common items, their 3PL items first and then those of K categories,
// each in the new form's order (the order of the criteria's sums); and, over
// all common items in the new form's order, the slopes on both scales and
// the b's, steps and boundaries pooled.
struct CommonItems {
  std::vector<CommonPair> pairs;
  std::vector<double> old_slopes, new_slopes, old_bs, new_bs;
  std::size_t found = 0;  // labels in both forms
  double d = DEFAULT_SCALING_CONSTANT;
};

struct CriterionPoints {
  std::vector<double> points, weights;
};

LinkStatus find_common_items(const ItemTable& new_form, const ItemTable& old_form,
                             CommonItems& items, std::string& ambiguous) {
  struct Seen {
    std::size_t count = 0;
    std::size_t index = 0;
  };
  std::map<std::string_view, Seen> in_old;
  for (std::size_t i = 0; i < old_form.size(); ++i) {
    Seen& seen = in_old[old_form.items[i].label];
    if (seen.count++ == 0) seen.index = i;
  }
  std::vector<std::pair<std::size_t, std::size_t>> matched;  // (new, old) indices
  std::map<std::string_view, std::size_t> in_new;
  for (const Item& item : new_form.items) ++in_new[item.label];
  for (std::size_t i = 0; i < new_form.size(); ++i) {
    const std::string& label = new_form.items[i].label;
    const auto old_item = in_old.find(label);
    if (old_item == in_old.end()) continue;
    if (old_item->second.count > 1 || in_new[label] > 1) {
      ambiguous = label;
      return LinkStatus::AMBIGUOUS_LABEL;
    }
    matched.emplace_back(i, old_item->second.index);
  }
  items.found = matched.size();
  if (matched.size() < 2) return LinkStatus::TOO_FEW_COMMON_ITEMS;
  std::vector<CommonPair> partial_credit;
  for (const auto& [i, j] : matched) {
    const Item& new_item = new_form.items[i];
    const Item& old_item = old_form.items[j];
    if (old_item.model != new_item.model || categories(old_item) != categories(new_item)) {
      ambiguous = new_item.label;
      return LinkStatus::MODELS_DIFFER;
    }
    items.old_slopes.push_back(old_item.a);
    items.new_slopes.push_back(new_item.a);
    const std::span<const double> old_bs = locations(old_item), new_bs = locations(new_item);
    items.old_bs.insert(items.old_bs.end(), old_bs.begin(), old_bs.end());
    items.new_bs.insert(items.new_bs.end(), new_bs.begin(), new_bs.end());
    (new_item.model == ItemModel::THREE_PL ? items.pairs : partial_credit)
        .push_back({&new_item, &old_item});
  }
  items.pairs.insert(items.pairs.end(), partial_credit.begin(), partial_credit.end());
  return LinkStatus::OK;
}

CriterionPoints quadrature_of(const Quadrature* theta) {
  CriterionPoints q;
  if (theta != nullptr) {
    q.points = theta->points;
    q.weights = theta->weights;
    return q;
  }
  double total = 0.0;
  for (int k = 0; k < DEFAULT_POINTS; ++k) {
    const double point = (k - DEFAULT_POINTS / 2) * DEFAULT_SPACING;
    q.points.push_back(point);
    q.weights.push_back(deterministic_exp(-point * point / 2.0));
    total += q.weights.back();
  }
  for (double& weight : q.weights) weight /= total;
  return q;
}

double mean(const std::vector<double>& values) {
  double total = 0.0;
  for (double v : values) total += v;
  return total / static_cast<double>(values.size());
}

// Standard deviation with the divisor n, the same for both forms.
double deviation(const std::vector<double>& values) {
  const double m = mean(values);
  double total = 0.0;
  for (double v : values) total += (v - m) * (v - m);
  return std::sqrt(total / static_cast<double>(values.size()));
}

// theta_old = A theta_new + B.
struct Constants {
  double A = 1.0;
  double B = 0.0;
};

// The mean-mean or mean-sigma constants of the common items.
Constants moment_constants(const CommonItems& items, LinkMethod method) {
  const double A = method == LinkMethod::MEAN_MEAN
                       ? mean(items.new_slopes) / mean(items.old_slopes)
                       : deviation(items.old_bs) / deviation(items.new_bs);
  return {A, mean(items.old_bs) - A * mean(items.new_bs)};
}

// Written so that a quotient that is not a number is unusable too.
bool usable(const Constants& c) {
  return c.A > 0.0 && std::isfinite(c.A) && std::isfinite(c.B);
}

// A criterion, its gradient and its Hessian in (A, B).
struct Value {
  double f = 0.0;
  double fa = 0.0, fb = 0.0;
  double faa = 0.0, fab = 0.0, fbb = 0.0;
};

// Adds w (old - carried)^2 and its derivatives to v.
void add_squared_difference(double w, double old_p, const CarriedCurve& c, Value& v) {
  const double r = old_p - c.p;
  v.f += w * r * r;
  v.fa += -2.0 * w * r * c.pa;
  v.fb += -2.0 * w * r * c.pb;
  v.faa += 2.0 * w * (c.pa * c.pa - r * c.paa);
  v.fab += 2.0 * w * (c.pa * c.pb - r * c.pab);
  v.fbb += 2.0 * w * (c.pb * c.pb - r * c.pbb);
}

void add_to(CarriedCurve& sum, const CarriedCurve& c, double weight) {
  sum.p += weight * c.p, sum.pa += weight * c.pa, sum.pb += weight * c.pb;
  sum.paa += weight * c.paa, sum.pab += weight * c.pab, sum.pbb += weight * c.pbb;
}

// Haebara: sum over points and items of the squared differences of the
// item curves (a 3PL item's probability of a right response, every category
// of an item of K categories); Stocking-Lord: sum over points of the squared
// difference of the test curves, the sums of expected item scores. Both
// weighted by the quadrature.
Value criterion(const CommonItems& items, const CriterionPoints& q, LinkMethod method, double A,
                double B) {
  Value v;
  double old_p[MOST_CATEGORIES];
  CarriedCurve carried[MOST_CATEGORIES];
  for (std::size_t k = 0; k < q.points.size(); ++k) {
    const double theta = q.points[k], w = q.weights[k];
    double old_sum = 0.0;
    CarriedCurve sum;
    for (const CommonPair& pair : items.pairs) {
      const std::size_t curves = curve_count(*pair.new_item);
      item_curves(theta, *pair.old_item, items.d, old_p);
      carried_curves(theta, *pair.new_item, items.d, A, B, carried);
      for (std::size_t c = 0; c < curves; ++c) {
        if (method == LinkMethod::HAEBARA) {
          add_squared_difference(w, old_p[c], carried[c], v);
        } else {
          const double score = curve_score(*pair.new_item, c);
          old_sum += score * old_p[c];
          add_to(sum, carried[c], score);
        }
      }
    }
    if (method == LinkMethod::STOCKING_LORD) add_squared_difference(w, old_sum, sum, v);
  }
  return v;
}

// Newton's method on (A, B) with a line search that halves the step until
// the criterion does not rise and A stays above 0. Where the Hessian is not
// positive definite the step goes down the gradient instead.
void minimise(const CommonItems& items, const CriterionPoints& q, LinkSearch& link) {
  Value v = criterion(items, q, link.method, link.A, link.B);
  for (link.steps = 0; link.steps < MOST_NEWTON_STEPS; ++link.steps) {
    link.criterion = v.f;
    if (!std::isfinite(v.f)) break;
    const double det = v.faa * v.fbb - v.fab * v.fab;
    const bool newton = v.faa > 0.0 && det > 0.0;
    const double step_a = newton ? -(v.fbb * v.fa - v.fab * v.fb) / det : -v.fa;
    const double step_b = newton ? -(v.faa * v.fb - v.fab * v.fa) / det : -v.fb;
    if (newton && std::fabs(step_a) < STEP_TOLERANCE && std::fabs(step_b) < STEP_TOLERANCE) {
      link.A += step_a;
      link.B += step_b;
      link.status = LinkStatus::OK;
      return;
    }
    double t = 1.0;
    bool moved = false;
    for (int halving = 0; halving < MOST_HALVINGS && !moved; ++halving, t /= 2.0) {
      const double A = link.A + t * step_a, B = link.B + t * step_b;
      if (!(A > 0.0)) continue;
      if (A == link.A && B == link.B) break;  // the step no longer moves them
      const Value next = criterion(items, q, link.method, A, B);
      if (next.f <= v.f) {
        link.A = A, link.B = B, v = next;
        moved = true;
      }
    }
    if (!moved) break;
  }
  link.status = LinkStatus::NOT_CONVERGED;
}

}  // namespace

const char* link_method_title(LinkMethod method) {
  for (const MethodName& name : METHOD_NAMES) {
    if (name.method == method) return name.title;
  }
  return "";
}

const char* link_method_option(LinkMethod method) {
  for (const MethodName& name : METHOD_NAMES) {
    if (name.method == method) return name.option;
  }
  return "";
}

std::optional<LinkMethod> link_method_named(std::string_view option) {
  for (const MethodName& name : METHOD_NAMES) {
    if (option == name.option) return name.method;
  }
  return std::nullopt;
}

LinkSearch link_scales(const ItemTable& new_form, const ItemTable& old_form,
                       const LinkRequest& request) {
  const LinkMethod method = request.method;
  LinkSearch link;
  link.method = method;
  CommonItems items;
  items.d = request.d;
  link.status = find_common_items(new_form, old_form, items, link.ambiguous_label);
  link.common_items = static_cast<std::int32_t>(items.found);
  if (link.status != LinkStatus::OK) return link;

  const Constants mean_mean = moment_constants(items, LinkMethod::MEAN_MEAN);
  const Constants mean_sigma = moment_constants(items, LinkMethod::MEAN_SIGMA);
  if (method == LinkMethod::MEAN_MEAN || method == LinkMethod::MEAN_SIGMA) {
    const Constants& own = method == LinkMethod::MEAN_MEAN ? mean_mean : mean_sigma;
    link.A = own.A, link.B = own.B;
    if (!usable(own)) link.status = LinkStatus::NO_SLOPE;
    return link;
  }
  // Mean-sigma's A is infinite when the common items' new b's are all equal,
  // and far off when they nearly are, although the criterion has a clear
  // minimum: start from whichever usable start lies lowest.
  const CriterionPoints q = quadrature_of(request.theta);
  double lowest = 0.0;
  bool started = false;
  for (const Constants& start : {mean_sigma, mean_mean, Constants{}}) {
    if (!usable(start)) continue;
    const double f = criterion(items, q, method, start.A, start.B).f;
    // A criterion that is not a number loses to any that is.
    if (!started || f < lowest || std::isnan(lowest)) {
      link.A = start.A, link.B = start.B, lowest = f;
      started = true;
    }
  }
  minimise(items, q, link);
  return link;
}

LinkCriterion link_criterion(const ItemTable& new_form, const ItemTable& old_form,
                             const LinkRequest& request, double A, double B) {
  CommonItems items;
  items.d = request.d;
  std::string ambiguous;
  if (find_common_items(new_form, old_form, items, ambiguous) != LinkStatus::OK) return {};
  const Value v = criterion(items, quadrature_of(request.theta), request.method, A, B);
  return {v.f, v.fa, v.fb, v.faa, v.fab, v.fbb};
}

}  // namespace zol
