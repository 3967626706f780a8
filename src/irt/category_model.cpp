// Category probabilities of generalized partial credit and graded response items, their
// derivatives in theta and the expected item score
#include "irt/category_model.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "irt/exp_core.h"

namespace zol {

namespace {

// deterministic_exp, inlined: the same bits on every platform.
double exp_of(double x) {
  return exp_core::exp_scalar(x);
}

// z u, where u = 0 gives 0 even when z = d a has overflowed to infinity.
double times(double z, double u) {
  return u == 0.0 ? 0.0 : z * u;
}

// z (x - y) for finite x and y. Where x - y overflows, the difference is
// taken at half scale and doubled after the product, which then overflows
// only if the true product does.
double scaled_difference(double z, double x, double y) {
  const double u = x - y;
  if (std::fabs(u) <= std::numeric_limits<double>::max()) return times(z, u);
  return times(z, 0.5 * x - 0.5 * y) * 2.0;
}

// 1 - e^-delta for delta >= 0, to a few units in the last place for every
// size: below HALF the series delta - delta^2/2 + delta^3/6 - ..., nested so
// that no term cancels (its first SERIES_TERMS terms leave out less than
// 2^-58 of the result); above it, 1 - e^-delta loses nothing, since
// e^-delta < 0.61.
double one_minus_exp_minus(double delta) {
  constexpr double HALF = 0.5;
  constexpr int SERIES_TERMS = 15;
  if (!(delta > 0.0)) return 0.0;
  if (delta >= HALF) return 1.0 - exp_of(-delta);
  double nested = 1.0;
  for (int n = SERIES_TERMS; n >= 2; --n) nested = 1.0 - delta / n * nested;
  return delta * nested;
}

// GPCM. The cumulative exponents s_k = d a u_k, u_k = sum_{v<=k} (theta - b_v),
// enter as s_k - s_m = d a (u_k - u_m), m the category whose u is largest:
// every exponential is at most 1, the largest exactly 1, so nothing
// overflows and a far category underflows to 0 gracefully. Up to
// ORDINARY_SIZE, the sums of MOST_CATEGORIES - 1 differences theta - b_v and
// the differences of two such sums stay below 1e303; larger parameters are
// summed at PARAMETER_SCALE, an exact power of two small enough for the
// largest doubles, and the slope taken at its reciprocal.
constexpr double ORDINARY_SIZE = 1e300;
constexpr double PARAMETER_SCALE = 0x1.0p-9;

// u_k - u_m as the difference of two running sums carries the rounding of
// the sums, about 2^-53 times the largest term theta - b_v for each of up to
// 2 (K - 1) additions: a step of -1e15 beside steps near 1 leaves nothing of
// the differences below about 0.1, although they alone decide the
// probabilities. Summed directly from the mode, u_k - u_m holds only the
// terms between the two categories, and a huge term outside them costs
// nothing. With every term within SUMMED_TERM_SIZE, the running sums' error
// stays below 2 * 99 * 99 * 1024 * 2^-53 < 2^-28 in u, no worse than the
// bound of direct sums of terms that size, so those items keep the running
// sums and the bits they have always had. That covers every item of ordinary size: root
// searches stay within theta +-150, quadrature points and item steps within
// a few units, also once carried to the other scale by the linking.
constexpr double SUMMED_TERM_SIZE = 1024.0;

// The category probabilities into p; returns the mode m, whose unnormalised
// term is exactly 1 and every other one at most 1.
std::size_t gpcm_probabilities(double theta, const CategoryItem& item, double d,
                               std::span<double> p) {
  const std::size_t count = item.categories();
  bool ordinary = std::fabs(theta) <= ORDINARY_SIZE;
  for (double b : item.steps) ordinary = ordinary && std::fabs(b) <= ORDINARY_SIZE;
  const double scale = ordinary ? 1.0 : PARAMETER_SCALE;
  const double z = ordinary ? d * item.a : d * item.a / PARAMETER_SCALE;
  // term[k] = theta - b_k, the step from category k - 1 to k (term[0] unused).
  double term[MOST_CATEGORIES];
  double u[MOST_CATEGORIES];
  u[0] = 0.0;
  std::size_t mode = 0;
  bool small_terms = true;
  for (std::size_t k = 1; k < count; ++k) {
    term[k] = theta * scale - item.steps[k - 1] * scale;
    small_terms = small_terms && std::fabs(term[k]) <= SUMMED_TERM_SIZE;
    u[k] = u[k - 1] + term[k];
    if (u[k] > u[mode]) mode = k;
  }
  // from_mode[k] = u_k - u_m.
  double from_mode[MOST_CATEGORIES];
  if (small_terms) {
    for (std::size_t k = 0; k < count; ++k) from_mode[k] = u[k] - u[mode];
  } else {
    from_mode[mode] = 0.0;
    for (std::size_t k = mode + 1; k < count; ++k) from_mode[k] = from_mode[k - 1] + term[k];
    for (std::size_t k = mode; k-- > 0;) from_mode[k] = from_mode[k + 1] - term[k + 1];
    // The running sums may have misjudged the mode among categories they
    // could not tell apart; the direct sums then put another one above 0.
    // Taken from the largest of them, every difference is again at most 0.
    std::size_t top = mode;
    for (std::size_t k = 0; k < count; ++k) {
      if (from_mode[k] > from_mode[top]) top = k;
    }
    if (top != mode) {
      const double lift = from_mode[top];
      for (std::size_t k = 0; k < count; ++k) from_mode[k] = from_mode[k] - lift;
      mode = top;
    }
  }
  double total = 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    p[k] = exp_of(times(z, from_mode[k]));
    total += p[k];
  }
  // total >= 1: the mode's term is exactly 1.
  for (std::size_t k = 0; k < count; ++k) p[k] = p[k] / total;
  return mode;
}

// The mean E = sum_k k P_k and the variance sum_k (k - E)^2 P_k, taken about
// the mode m: E - m is summed from the other categories' terms, which are
// small far in a tail, where P_m rounds to 1. The deviations k - E next to
// the mode, and the slopes made from them, then keep their relative
// precision; k - E from a rounded E would be 0 there.
struct Moments {
  double mean_from_mode = 0.0;
  double variance = 0.0;
};

Moments gpcm_moments(std::span<const double> p, std::size_t mode) {
  Moments moments;
  const double m = static_cast<double>(mode);
  for (std::size_t k = 0; k < p.size(); ++k) {
    if (k != mode) moments.mean_from_mode += (static_cast<double>(k) - m) * p[k];
  }
  for (std::size_t k = 0; k < p.size(); ++k) {
    const double deviation = (static_cast<double>(k) - m) - moments.mean_from_mode;
    moments.variance += deviation * deviation * p[k];
  }
  return moments;
}

// GRM. With x_k = d a (theta - b_k), P*_k = L(x_k) for the logistic L, and
// for x > y, L(x) - L(y) = L(x) L(-y) (1 - e^-(x - y)): a product of three
// factors, each exact to a few units in the last place whatever their size,
// so a category far in a tail keeps its relative precision. x_k - x_(k+1) is
// taken as d a (b_(k+1) - b_k), which does not cancel for near boundaries.
// upper[k] = L(x_k) and lower[k] = L(-x_k) for k = 1..K-1.
void grm_logistics(double theta, const CategoryItem& item, double d, double* upper, double* lower) {
  const double z = d * item.a;
  for (std::size_t k = 1; k < item.categories(); ++k) {
    const double e = exp_of(-scaled_difference(z, theta, item.steps[k - 1]));
    upper[k] = 1.0 / (1.0 + e);
    // Two forms so that neither 1 / e nor e itself overflows first.
    lower[k] = e <= 1.0 ? e / (1.0 + e) : 1.0 / (1.0 + 1.0 / e);
  }
}

// Boundaries that do not increase give their categories 0.
void grm_probabilities(const CategoryItem& item, double d, const double* upper, const double* lower,
                       std::span<double> p) {
  const std::size_t top = item.categories() - 1;
  const double z = d * item.a;
  if (top == 0) {
    p[0] = 1.0;
    return;
  }
  p[0] = lower[1];
  for (std::size_t k = 1; k < top; ++k) {
    const double delta = scaled_difference(z, item.steps[k], item.steps[k - 1]);
    p[k] = upper[k] * lower[k + 1] * one_minus_exp_minus(delta);
  }
  p[top] = upper[top];
}

}  // namespace

void category_probabilities(double theta, const CategoryItem& item, double d, std::span<double> p) {
  assert(item.categories() <= MOST_CATEGORIES && p.size() == item.categories());
  if (item.model == ItemModel::GPCM) {
    gpcm_probabilities(theta, item, d, p);
    return;
  }
  double upper[MOST_CATEGORIES], lower[MOST_CATEGORIES];
  grm_logistics(theta, item, d, upper, lower);
  grm_probabilities(item, d, upper, lower, p);
}

// GPCM: dP_k = z P_k (k - E), d2P_k = z^2 P_k ((k - E)^2 - V), z = d a.
// GRM: dL(x)/dtheta = z L(x) L(-x), so dP_k = z P_k (L(-x_k) - L(x_(k+1)))
// and d2P_k = z^2 P_k ((L(-x_k) - L(x_(k+1)))^2 - w_k - w_(k+1)), with
// w_k = L(x_k) L(-x_k), L(-x_0) = 0, L(x_K) = 0 and w_0 = w_K = 0.
void category_derivatives(double theta, const CategoryItem& item, double d, std::span<double> p,
                          std::span<double> dp, std::span<double> d2p) {
  const std::size_t count = item.categories();
  assert(count <= MOST_CATEGORIES && p.size() == count && dp.size() == count &&
         d2p.size() == count);
  const double z = d * item.a;
  if (item.model == ItemModel::GPCM) {
    const std::size_t mode = gpcm_probabilities(theta, item, d, p);
    const Moments moments = gpcm_moments(p, mode);
    for (std::size_t k = 0; k < count; ++k) {
      const double deviation =
          (static_cast<double>(k) - static_cast<double>(mode)) - moments.mean_from_mode;
      dp[k] = times(z, p[k] * deviation);
      d2p[k] = times(z, times(z, p[k] * (deviation * deviation - moments.variance)));
    }
    return;
  }
  double upper[MOST_CATEGORIES + 1], lower[MOST_CATEGORIES + 1];
  grm_logistics(theta, item, d, upper, lower);
  grm_probabilities(item, d, upper, lower, p);
  upper[count] = 0.0;  // P*_K
  lower[count] = 1.0;
  lower[0] = 0.0;  // 1 - P*_0
  upper[0] = 1.0;
  for (std::size_t k = 0; k < count; ++k) {
    const double factor = lower[k] - upper[k + 1];
    const double curvature = factor * factor - upper[k] * lower[k] - upper[k + 1] * lower[k + 1];
    dp[k] = times(z, p[k] * factor);
    d2p[k] = times(z, times(z, p[k] * curvature));
  }
}

// GPCM: E = m + (E - m) and dE/dtheta = d a V. GRM: E = sum_k P*_k, and its
// slope d a sum_k P*_k (1 - P*_k), both sums of positive terms.
ScoreAndSlope expected_item_score(double theta, const CategoryItem& item, double d) {
  const std::size_t count = item.categories();
  assert(count <= MOST_CATEGORIES);
  const double z = d * item.a;
  if (item.model == ItemModel::GPCM) {
    double p[MOST_CATEGORIES];
    const std::size_t mode = gpcm_probabilities(theta, item, d, {p, count});
    const Moments moments = gpcm_moments({p, count}, mode);
    return {static_cast<double>(mode) + moments.mean_from_mode, times(z, moments.variance)};
  }
  double upper[MOST_CATEGORIES], lower[MOST_CATEGORIES];
  grm_logistics(theta, item, d, upper, lower);
  ScoreAndSlope sums;
  double spread = 0.0;
  for (std::size_t k = 1; k < count; ++k) {
    sums.score += upper[k];
    spread += upper[k] * lower[k];
  }
  sums.slope = times(z, spread);
  return sums;
}

}  // namespace zol
