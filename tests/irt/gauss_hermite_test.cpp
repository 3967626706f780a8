// The Gauss-Hermite rule of the standard normal, and the deterministic logarithm beside it
#include "irt/gauss_hermite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "irt/deterministic_exp.h"

namespace zol {
namespace {

// A rule of n points integrates x^k exactly against the normal density for k
// up to 2n - 1: the odd moments are 0 and the even ones (k - 1)!!.
TEST(GaussHermiteTest, IntegratesTheNormalMomentsItShould) {
  for (int n : {2, 3, 7, 30, 200}) {
    const Quadrature rule = gauss_hermite_normal(n);
    ASSERT_EQ(rule.points.size(), static_cast<std::size_t>(n));
    double expected = 1.0;  // (k - 1)!! for even k
    for (int k = 0; k <= std::min(2 * n - 1, 12); ++k) {
      if (k >= 2 && k % 2 == 0) expected *= k - 1;
      double moment = 0.0;
      for (std::size_t i = 0; i < rule.points.size(); ++i) {
        moment += rule.weights[i] * std::pow(rule.points[i], k);
      }
      EXPECT_NEAR(moment, k % 2 == 1 ? 0.0 : expected, 1e-11 * expected) << n << " points, " << k;
    }
    for (std::size_t i = 0; i < rule.points.size(); ++i) {
      EXPECT_EQ(rule.points[i], -rule.points[rule.points.size() - 1 - i]) << n;
      if (i > 0) {
        EXPECT_LT(rule.points[i - 1], rule.points[i]) << n;
      }
    }
  }
  // By hand: +-1 with 1/2 each; 0 with 2/3 and +-sqrt(3) with 1/6 each.
  const Quadrature two = gauss_hermite_normal(2), three = gauss_hermite_normal(3);
  EXPECT_DOUBLE_EQ(two.points[1], 1.0);
  EXPECT_DOUBLE_EQ(two.weights[0], 0.5);
  EXPECT_EQ(three.points[1], 0.0);
  EXPECT_DOUBLE_EQ(three.points[2], std::sqrt(3.0));
  EXPECT_DOUBLE_EQ(three.weights[1], 2.0 / 3.0);
}

// The logarithm that gives the same bits everywhere stays within two units in
// the last place of the C library's, exact where the answer is.
TEST(DeterministicLogTest, WithinTwoUnitsOfTheLibrary) {
  std::mt19937_64 engine(3);
  std::uniform_real_distribution<double> exponent(-300.0, 300.0);
  for (int i = 0; i < 100000; ++i) {
    const double x = std::pow(10.0, exponent(engine));
    const double expected = std::log(x);
    EXPECT_LE(std::fabs(deterministic_log(x) - expected),
              2.0 * std::fabs(std::nextafter(expected, 2.0 * expected) - expected) + 1e-300)
        << x;
  }
  EXPECT_EQ(deterministic_log(1.0), 0.0);
  EXPECT_TRUE(std::isnan(deterministic_log(-1.0)));
  EXPECT_EQ(deterministic_log(0.0), -INFINITY);
  EXPECT_NEAR(deterministic_log(0x1.0p-1074), -744.44007192138126, 1e-12);
}

}  // namespace
}  // namespace zol
