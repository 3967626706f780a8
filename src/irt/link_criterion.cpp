// The characteristic-curve criteria of linking and their minimisation by Newton's method
#include "irt/link_criterion.h"

#include <cmath>

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

// Adds w (fixed - moving)^2 and its derivatives to v: moving is a curve, or a
// sum of curves, that (A, B) carry from one scale to the other.
void add_squared_difference(double w, double fixed, const CarriedCurve& moving, LinkCriterion& v) {
  const double r = fixed - moving.p;
  v.f += w * r * r;
  v.fa += -2.0 * w * r * moving.pa;
  v.fb += -2.0 * w * r * moving.pb;
  v.faa += 2.0 * w * (moving.pa * moving.pa - r * moving.paa);
  v.fab += 2.0 * w * (moving.pa * moving.pb - r * moving.pab);
  v.fbb += 2.0 * w * (moving.pb * moving.pb - r * moving.pbb);
}

void add_to(CarriedCurve& sum, const CarriedCurve& c, double weight) {
  sum.p += weight * c.p, sum.pa += weight * c.pa, sum.pb += weight * c.pb;
  sum.paa += weight * c.paa, sum.pab += weight * c.pab, sum.pbb += weight * c.pbb;
}

// One direction of a criterion over its points: the curves of the items that
// stay where they are (fixed) against those that (A, B) carry over. Haebara:
// the squared differences of the item curves (a 3PL item's probability of a
// right response, every category of an item of K categories); Stocking-Lord:
// the squared difference of the test curves, the sums of expected item
// scores. Both weighted by the points' weights.
template <typename Fixed, typename Moving>
void add_direction(const Criterion& criterion, const CriterionPoints& q, Fixed fixed_curves,
                   Moving moving_curves, LinkCriterion& v) {
  double fixed[MOST_CATEGORIES];
  CarriedCurve moving[MOST_CATEGORIES];
  for (std::size_t k = 0; k < q.points.size(); ++k) {
    const double theta = q.points[k], w = q.weights[k];
    double fixed_sum = 0.0;
    CarriedCurve sum;
    for (const CommonPair& pair : criterion.items->pairs) {
      const std::size_t curves = curve_count(*pair.new_item);
      fixed_curves(theta, pair, fixed);
      moving_curves(theta, pair, moving);
      for (std::size_t c = 0; c < curves; ++c) {
        if (criterion.method == LinkMethod::HAEBARA) {
          add_squared_difference(w, fixed[c], moving[c], v);
        } else {
          const double score = curve_score(*pair.new_item, c);
          fixed_sum += score * fixed[c];
          add_to(sum, moving[c], score);
        }
      }
    }
    if (criterion.method == LinkMethod::STOCKING_LORD) add_squared_difference(w, fixed_sum, sum, v);
  }
}

}  // namespace

CommonItems used_common_items(const ItemTable& new_form, const ItemTable& old_form,
                              const LinkSearch& link, double d) {
  CommonItems items;
  items.d = d;
  std::vector<CommonPair> partial_credit;
  for (const CommonMatch& match : link.matches) {
    if (!match.used) continue;
    const Item& new_item = new_form.items[match.new_index];
    const Item& old_item = old_form.items[match.old_index];
    items.old_slopes.push_back(old_item.a);
    items.new_slopes.push_back(new_item.a);
    const std::span<const double> old_bs = locations(old_item), new_bs = locations(new_item);
    items.old_bs.insert(items.old_bs.end(), old_bs.begin(), old_bs.end());
    items.new_bs.insert(items.new_bs.end(), new_bs.begin(), new_bs.end());
    (new_item.model == ItemModel::THREE_PL ? items.pairs : partial_credit)
        .push_back({&new_item, &old_item});
  }
  items.pairs.insert(items.pairs.end(), partial_credit.begin(), partial_credit.end());
  return items;
}

CriterionPoints criterion_points(const Quadrature* theta) {
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

Criterion request_criterion(const LinkRequest& request, const CommonItems& items) {
  Criterion criterion{request.method, &items, criterion_points(request.theta), std::nullopt};
  if (request.symmetric) criterion.reverse = criterion_points(request.new_theta);
  return criterion;
}

LinkCriterion evaluate(const Criterion& criterion, double A, double B) {
  const double d = criterion.items->d;
  LinkCriterion v;
  // The old form's items stay on the old scale; the new form's are carried to it.
  add_direction(
      criterion, criterion.forward,
      [&](double theta, const CommonPair& pair, double* p) {
        item_curves(theta, *pair.old_item, d, {p, MOST_CATEGORIES});
      },
      [&](double theta, const CommonPair& pair, CarriedCurve* p) {
        carried_curves(theta, *pair.new_item, d, A, B, {p, MOST_CATEGORIES});
      },
      v);
  if (!criterion.reverse) return v;
  // The other way round, on the new scale, the two parts added unweighted.
  add_direction(
      criterion, *criterion.reverse,
      [&](double theta, const CommonPair& pair, double* p) {
        item_curves(theta, *pair.new_item, d, {p, MOST_CATEGORIES});
      },
      [&](double theta, const CommonPair& pair, CarriedCurve* p) {
        reversed_curves(theta, *pair.old_item, d, A, B, {p, MOST_CATEGORIES});
      },
      v);
  return v;
}

void minimise(const Criterion& criterion, LinkSearch& link) {
  LinkCriterion v = evaluate(criterion, link.A, link.B);
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
      const LinkCriterion next = evaluate(criterion, A, B);
      if (next.f <= v.f) {
        link.A = A, link.B = B, v = next;
        moved = true;
      }
    }
    if (moved) continue;
    // A step down a positive definite curvature that lowers the criterion by
    // no length at all is lost in the criterion's rounding: (A, B) is its
    // minimiser as far as the criterion can tell.
    if (newton) {
      link.status = LinkStatus::OK;
      return;
    }
    break;
  }
  link.status = LinkStatus::NOT_CONVERGED;
}

}  // namespace zol
