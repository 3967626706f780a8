// Linking the new form's scale to the old form's: common items, the four methods, the minimisation
#include "irt/linking.h"

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "irt/category_model.h"
#include "irt/deterministic_exp.h"
#include "irt/item_formulas.h"
#include "irt/linking_criterion.h"
#include "irt/item_model.h"

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

// A common item of K categories: its model, and its slope and steps on the
// old scale (a, steps) and on the new one (alpha, new_steps).
struct CategoryPair {
  ItemModel model = ItemModel::GPCM;
  double a = 0.0, alpha = 0.0;
  std::vector<double> steps, new_steps;
};

// The common 3PL items' parameters on the old scale (a, b, c) and on the new
// one (alpha, beta, gamma), and the common items of K categories, each in the
// new form's order; and, over all common items in that order, the slopes on
// both scales and the b's, steps and boundaries pooled.
struct CommonItems {
  std::vector<double> a, b, c, alpha, beta, gamma;
  std::vector<CategoryPair> categories;
  std::vector<double> old_slopes, new_slopes, old_bs, new_bs;
  std::size_t found = 0;  // labels in both forms
  double d = DEFAULT_SCALING_CONSTANT;
};

struct CriterionPoints {
  std::vector<double> points, weights;
};

LinkStatus find_common_items(const ItemSet& new_form, const ItemSet& old_form, CommonItems& items,
                             std::string& ambiguous) {
  struct Seen {
    std::size_t count = 0;
    std::size_t index = 0;
  };
  std::map<std::string, Seen> in_old;
  for (std::size_t i = 0; i < static_cast<std::size_t>(old_form.count); ++i) {
    Seen& seen = in_old[old_form.label(i)];
    if (seen.count++ == 0) seen.index = i;
  }
  std::vector<std::pair<std::size_t, std::size_t>> matched;  // (new, old) indices
  std::map<std::string, std::size_t> in_new;
  for (std::size_t i = 0; i < static_cast<std::size_t>(new_form.count); ++i) {
    ++in_new[new_form.label(i)];
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(new_form.count); ++i) {
    const std::string label = new_form.label(i);
    const auto old_item = in_old.find(label);
    if (old_item == in_old.end()) continue;
    if (old_item->second.count > 1 || in_new[label] > 1) {
      ambiguous = label;
      return LinkStatus::AMBIGUOUS_LABEL;
    }
    const std::size_t j = old_item->second.index;
    matched.emplace_back(i, j);
  }
  items.found = matched.size();
  if (matched.size() < 2) return LinkStatus::TOO_FEW_COMMON_ITEMS;
  for (const auto& [i, j] : matched) {
    const ItemModel model = new_form.model(i);
    if (old_form.model(j) != model || old_form.steps_of(j).size() != new_form.steps_of(i).size()) {
      ambiguous = new_form.label(i);
      return LinkStatus::MODELS_DIFFER;
    }
    items.old_slopes.push_back(old_form.a()[j]);
    items.new_slopes.push_back(new_form.a()[i]);
    if (model == ItemModel::THREE_PL) {
      items.a.push_back(old_form.a()[j]);
      items.b.push_back(old_form.b()[j]);
      items.c.push_back(old_form.c()[j]);
      items.alpha.push_back(new_form.a()[i]);
      items.beta.push_back(new_form.b()[i]);
      items.gamma.push_back(new_form.c()[i]);
      items.old_bs.push_back(old_form.b()[j]);
      items.new_bs.push_back(new_form.b()[i]);
      continue;
    }
    const auto old_steps = old_form.steps_of(j), new_steps = new_form.steps_of(i);
    items.categories.push_back({model, old_form.a()[j], new_form.a()[i],
                                {old_steps.begin(), old_steps.end()},
                                {new_steps.begin(), new_steps.end()}});
    items.old_bs.insert(items.old_bs.end(), old_steps.begin(), old_steps.end());
    items.new_bs.insert(items.new_bs.end(), new_steps.begin(), new_steps.end());
  }
  return LinkStatus::OK;
}

CriterionPoints quadrature_of(const ThetaDistribution& theta) {
  CriterionPoints q;
  if (theta.count > 0) {
    q.points.assign(theta.points().begin(), theta.points().end());
    q.weights.assign(theta.weights().begin(), theta.weights().end());
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

// A common item's probability on the new scale carried to the old one,
// P(theta; alpha / A, A beta + B, gamma), with its first and second
// derivatives in A and B.
struct Carried {
  double p = 0.0;
  double pa = 0.0, pb = 0.0;
  double paa = 0.0, pab = 0.0, pbb = 0.0;
};

Carried carried(double theta, const CommonItems& items, std::size_t j, double A, double B) {
  const double alpha = items.alpha[j], gamma = items.gamma[j];
  // The exponent of the item model, for the transformed parameters.
  double z = 0.0;
  item_formulas::logistic_exponent(theta, items.d, alpha / A, A * items.beta[j] + B, z);
  const double e = deterministic_exp(z);
  const double sigma = 1.0 / (1.0 + e);
  // sigma (1 - sigma), written so that e of 0 or infinity gives 0.
  const double s1 = 1.0 / (e + 2.0 + 1.0 / e);
  const double s2 = s1 * (1.0 - 2.0 * sigma);
  // z = D alpha ((theta - B) / A - beta), sigma = 1 / (1 + e^-z).
  const double da = items.d * alpha;
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

// Adds w (old - carried)^2 and its derivatives to v.
void add_squared_difference(double w, double old_p, const Carried& c, Value& v) {
  const double r = old_p - c.p;
  v.f += w * r * r;
  v.fa += -2.0 * w * r * c.pa;
  v.fb += -2.0 * w * r * c.pb;
  v.faa += 2.0 * w * (c.pa * c.pa - r * c.paa);
  v.fab += 2.0 * w * (c.pa * c.pb - r * c.pab);
  v.fbb += 2.0 * w * (c.pb * c.pb - r * c.pbb);
}

void add_to(Carried& sum, const Carried& c, double weight) {
  sum.p += weight * c.p, sum.pa += weight * c.pa, sum.pb += weight * c.pb;
  sum.paa += weight * c.paa, sum.pab += weight * c.pab, sum.pbb += weight * c.pbb;
}

// The category probabilities of a common item of K categories on the new
// scale carried to the old one, P_k(theta; alpha / A, A b_v + B), with their
// derivatives in A and B: the carried item at theta is the item itself at
// u = (theta - B) / A.
void carried_categories(double theta, const CategoryPair& pair, double d, double A, double B,
                        std::span<Carried> carried) {
  const std::size_t k = pair.new_steps.size() + 1;
  double p[MOST_CATEGORIES], dp[MOST_CATEGORIES], d2p[MOST_CATEGORIES];
  const double u = (theta - B) / A;
  category_derivatives(u, {pair.model, pair.alpha, pair.new_steps}, d, {p, k}, {dp, k}, {d2p, k});
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

// Haebara: sum over points and items of the squared differences of the
// item curves (a 3PL item's probability of a right response, every category
// of an item of K categories); Stocking-Lord: sum over points of the squared
// difference of the test curves, the sums of expected item scores. Both
// weighted by the quadrature.
Value criterion(const CommonItems& items, const CriterionPoints& q, LinkMethod method, double A,
                double B) {
  Value v;
  for (std::size_t k = 0; k < q.points.size(); ++k) {
    const double theta = q.points[k], w = q.weights[k];
    double old_sum = 0.0;
    Carried sum;
    for (std::size_t j = 0; j < items.a.size(); ++j) {
      const double old_p = prob_3pl(theta, items.a[j], items.b[j], items.c[j], items.d);
      const Carried c = carried(theta, items, j, A, B);
      if (method == LinkMethod::HAEBARA) {
        add_squared_difference(w, old_p, c, v);
      } else {
        old_sum += old_p;
        sum.p += c.p, sum.pa += c.pa, sum.pb += c.pb;
        sum.paa += c.paa, sum.pab += c.pab, sum.pbb += c.pbb;
      }
    }
    for (const CategoryPair& pair : items.categories) {
      const std::size_t categories = pair.steps.size() + 1;
      double old_p[MOST_CATEGORIES];
      category_probabilities(theta, {pair.model, pair.a, pair.steps}, items.d,
                             {old_p, categories});
      Carried carried_p[MOST_CATEGORIES];
      carried_categories(theta, pair, items.d, A, B, {carried_p, categories});
      for (std::size_t c = 0; c < categories; ++c) {
        if (method == LinkMethod::HAEBARA) {
          add_squared_difference(w, old_p[c], carried_p[c], v);
        } else {
          old_sum += static_cast<double>(c) * old_p[c];
          add_to(sum, carried_p[c], static_cast<double>(c));
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

void carry_over(const ItemSet& items, const Linking& linking, std::span<double> a,
                std::span<double> b) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(items.count); ++i) {
    a[i] = carried_slope(items.a()[i], linking);
    b[i] = carried_location(items.b()[i], linking);
  }
}

LinkSearch link_scales(const ItemSet& new_form, const ItemSet& old_form,
                       const ThetaDistribution& theta, LinkMethod method, double d) {
  LinkSearch link;
  link.method = method;
  CommonItems items;
  items.d = d;
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
  const CriterionPoints q = quadrature_of(theta);
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

LinkCriterion link_criterion(const ItemSet& new_form, const ItemSet& old_form,
                             const ThetaDistribution& theta, LinkMethod method, double A,
                             double B, double d) {
  CommonItems items;
  items.d = d;
  std::string ambiguous;
  if (find_common_items(new_form, old_form, items, ambiguous) != LinkStatus::OK) return {};
  const Value v = criterion(items, quadrature_of(theta), method, A, B);
  return {v.f, v.fa, v.fb, v.faa, v.fab, v.fbb};
}

}  // namespace zol
