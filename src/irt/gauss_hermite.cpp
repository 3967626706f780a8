// The Gauss-Hermite rule of the standard normal: its points by bisection, its weights
#include "irt/gauss_hermite.h"

#include <cmath>
#include <vector>

namespace zol {

namespace {

// The rule's points are the eigenvalues of the Jacobi matrix of the Hermite
// polynomials orthonormal for the standard normal, p_(k+1)(x) = (x p_k(x) -
// sqrt(k) p_(k-1)(x)) / sqrt(k + 1): 0 on the diagonal and sqrt(k) beside it.
// How many of them lie below x, by the signs of the Sturm sequence q_1 = -x,
// q_k = -x - (k - 1) / q_(k-1).
int points_below(double x, int n) {
  int below = 0;
  double q = -x;
  for (int k = 1; k <= n; ++k) {
    if (k > 1) q = -x - static_cast<double>(k - 1) / q;
    // A zero divisor next would be infinite: the sign of a tiny value counts.
    if (q == 0.0) q = -1e-300;
    if (q < 0.0) ++below;
  }
  return below;
}

// The k-th point from the bottom (from 1), one of the positive ones,
// bisected down to neighbouring doubles: only additions, divisions and
// comparisons, so the same bits everywhere. Every point lies within 2 sqrt(n)
// + 1 of 0.
double point(int k, int n) {
  double low = 0.0, high = 2.0 * std::sqrt(static_cast<double>(n)) + 1.0;
  for (;;) {
    const double middle = 0.5 * (low + high);
    if (middle <= low || middle >= high) return high;
    if (points_below(middle, n) >= k) {
      high = middle;
    } else {
      low = middle;
    }
  }
}

// The Christoffel number of a point, 1 / sum_(k<n) p_k(x)^2, before the
// weights are scaled to sum to 1.
double christoffel(double x, int n) {
  double before = 0.0, here = 1.0, squares = 1.0;
  for (int k = 1; k < n; ++k) {
    const double next =
        (x * here - std::sqrt(static_cast<double>(k - 1)) * before) /
        std::sqrt(static_cast<double>(k));
    before = here;
    here = next;
    squares += here * here;
  }
  return 1.0 / squares;
}

}  // namespace

Quadrature gauss_hermite_normal(int n) {
  Quadrature rule;
  rule.points.resize(static_cast<std::size_t>(n));
  // The upper half, mirrored, so that the rule is exactly symmetric; the
  // middle point of an odd rule is 0 itself.
  for (int k = n / 2 + 1; k <= n; ++k) {
    const double x = n % 2 == 1 && k == n / 2 + 1 ? 0.0 : point(k, n);
    rule.points[static_cast<std::size_t>(k - 1)] = x;
    rule.points[static_cast<std::size_t>(n - k)] = -x;
  }
  double total = 0.0;
  for (double x : rule.points) {
    rule.weights.push_back(christoffel(x, n));
    total += rule.weights.back();
  }
  for (double& weight : rule.weights) weight /= total;
  return rule;
}

}  // namespace zol
