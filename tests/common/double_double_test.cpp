// The double-double primitives on hand-worked values: exact errors, ties, comparisons
#include "common/double_double.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zol {
namespace {

double two_to(int power) {
  return std::ldexp(1.0, power);
}

TEST(DoubleDoubleTest, SumsAndProductsKeepTheirExactErrors) {
  using namespace double_double_detail;
  const struct {
    const char* name;
    DoubleDouble got, expected;
  } cases[] = {
      // The larger term second: the smaller one is the whole error.
      {"two_sum, |b| > |a|", two_sum(1.0, two_to(60)), {two_to(60), 1.0}},
      {"two_sum, |a| > |b|", two_sum(two_to(60), 1.0), {two_to(60), 1.0}},
      // Halfway cases round to even; the error keeps the half.
      {"two_sum, tie down", two_sum(1.0, two_to(-53)), {1.0, two_to(-53)}},
      {"two_sum, tie up",
       two_sum(1.0 + two_to(-52), two_to(-53)),
       {1.0 + two_to(-51), -two_to(-53)}},
      // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60, whose last term no double holds.
      {"two_product",
       two_product(1.0 + two_to(-30), 1.0 + two_to(-30)),
       {1.0 + two_to(-29), two_to(-60)}},
      // Each pair's low parts and the high parts' error all reach the sum.
      {"sum, error of the high parts",
       DoubleDouble(1.0) + DoubleDouble(two_to(-60)),
       {1.0, two_to(-60)}},
      {"sum, error of the low parts",
       DoubleDouble(1.0, two_to(-60)) + DoubleDouble(-1.0, two_to(-120)),
       {two_to(-60), two_to(-120)}},
      {"product by a double", DoubleDouble(1.0, two_to(-60)) * 3.0, {3.0, 3.0 * two_to(-60)}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.got.hi, c.expected.hi) << c.name;
    EXPECT_EQ(c.got.lo, c.expected.lo) << c.name;
  }
}

TEST(DoubleDoubleTest, AQuotientTimesItsDivisorGivesTheDividendTo100Bits) {
  const DoubleDouble third = DoubleDouble(1.0) / DoubleDouble(3.0);
  const DoubleDouble back = third * 3.0 - DoubleDouble(1.0);
  EXPECT_LT(std::fabs(back.value()), two_to(-100));
  EXPECT_NE(third.lo, 0.0);
}

TEST(DoubleDoubleTest, ComparisonsSeeTheLowPartOnTies) {
  EXPECT_TRUE(1.0 > DoubleDouble(1.0, -two_to(-60)));
  EXPECT_FALSE(1.0 > DoubleDouble(1.0, two_to(-60)));
  EXPECT_FALSE(1.0 > DoubleDouble(1.0));
  EXPECT_TRUE(DoubleDouble(1.0) == 1.0);
  EXPECT_FALSE(DoubleDouble(1.0, two_to(-60)) == 1.0);
}

}  // namespace
}  // namespace zol
