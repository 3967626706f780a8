// Tests of the 3PL item model and a form's expected score and slope
#include "item_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// expected_score or expected_score_slope of a form of one item.
template <typename Sum>
double one_item(Sum sum, double theta, double a, double b, double c, double wrong = 0.0,
                double right = 1.0) {
  const double av[] = {a}, bv[] = {b}, cv[] = {c}, wrong_v[] = {wrong}, right_v[] = {right};
  return sum(theta, one_based(av), one_based(bv), one_based(cv), 1, one_based(wrong_v),
             one_based(right_v));
}

double item_slope(double theta, double a, double b, double c) {
  return one_item(expected_score_slope, theta, a, b, c);
}

TEST(ItemModelTest, MatchesTheTableOfValues) {
  struct Case {
    const char* name;
    double theta, a, b, c, p, slope;
  };
  const std::vector<Case> cases = {
      {"at b", 0, 1.0, 0.0, 0.2, 0.600000, 0.340000},
      {"above b", 1, 1.0, 0.0, 0.2, 0.876428, 0.177624},
      {"below b", -1, 1.0, 0.0, 0.2, 0.323572, 0.177624},
      {"steep", 0, 1.5, 0.5, 0.25, 0.413802, 0.326469},
      {"no guessing", 2, 0.8, -1.0, 0.0, 0.983374, 0.022236},
      {"bottom of bracket", -150, 1.0, 0.0, 0.2, 0.200000, 0.0},
      {"top of bracket", 150, 1.0, 0.0, 0.2, 1.000000, 0.0},
      {"flat item", 37, 0.0, 2.0, 0.2, 0.6, 0.0},
      {"falling item", 1, -1.0, 0.0, 0.2, 0.323572, -0.177624},
  };
  for (const Case& t : cases) {
    EXPECT_NEAR(prob_3pl(t.theta, t.a, t.b, t.c), t.p, 5e-7) << t.name;
    EXPECT_NEAR(item_slope(t.theta, t.a, t.b, t.c), t.slope, 5e-7) << t.name;
  }
}

TEST(ItemModelTest, ExtremeExponentsGiveTheAsymptotesAndAFlatSlope) {
  for (double theta : {-150.0, -10.0, 10.0, 150.0}) {
    const double p = prob_3pl(theta, 1000.0, 0.0, 0.2);
    EXPECT_EQ(p, theta < 0 ? 0.2 : 1.0) << theta;
    EXPECT_EQ(item_slope(theta, 1000.0, 0.0, 0.2), 0.0) << theta;
  }
  // Tiny but positive: 1.7 * 0.8 * exp(-255).
  EXPECT_NEAR(item_slope(150.0, 1.0, 0.0, 0.2) / 2.4e-111, 1.0, 0.02);
}

TEST(ItemModelTest, SumsOverThreeItems) {
  const double a[] = {1.0, 1.5, 0.8}, b[] = {0.0, 0.5, -1.0}, c[] = {0.2, 0.25, 0.0};
  const double zero[] = {0, 0, 0}, one[] = {1, 1, 1};
  struct Case {
    double theta, score, slope;
  };
  for (const Case& t : std::vector<Case>{
           {-1, 1.089587, 0.557589}, {0, 1.809562, 0.887505}, {1, 2.650822, 0.582951}}) {
    const auto args = [&](auto f) {
      return f(t.theta, one_based(a), one_based(b), one_based(c), 3, one_based(zero),
               one_based(one));
    };
    EXPECT_NEAR(args(expected_score), t.score, 5e-7) << t.theta;
    EXPECT_NEAR(args(expected_score_slope), t.slope, 5e-7) << t.theta;
  }
  EXPECT_EQ(expected_score(1.0, {}, {}, {}, 0, {}, {}), 0.0);
  EXPECT_EQ(expected_score_slope(1.0, {}, {}, {}, 0, {}, {}), 0.0);
}

// A form of items with assorted parameters and response scores; a few items
// fall, and a few have exponents far beyond the range of a double.
struct MixedForm {
  std::vector<double> a, b, c, wrong, right;

  explicit MixedForm(int n) {
    for (int i = 0; i < n; ++i) {
      a.push_back(i % 11 == 4 ? 900.0 : i % 5 == 0 ? -0.7 : 0.4 + 0.05 * (i % 40));
      b.push_back(-3.0 + 0.17 * (i % 37));
      c.push_back(0.01 * (i % 26));
      wrong.push_back(i % 3 == 0 ? 0.5 : 0.0);
      right.push_back(i % 4 == 0 ? 2.0 : 1.0);
    }
  }
};

// The sums are computed four items at a time where the processor allows;
// each must still be the item-by-item sum in item order, from 0, of the
// one-item forms' values, which take the plain path.
TEST(ItemModelTest, SumsAreTheItemByItemSumsBitForBit) {
  const MixedForm form(1000);
  for (double theta : {-150.0, -40.0, -2.5, -0.3, 0.0, 0.8, 3.1, 40.0, 150.0}) {
    for (std::int32_t n : {0, 1, 2, 3, 4, 5, 7, 8, 9, 36, 37, 1000}) {
      double score_by_item = 0.0, slope_by_item = 0.0;
      for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        score_by_item += one_item(expected_score, theta, form.a[i], form.b[i], form.c[i],
                                  form.wrong[i], form.right[i]);
        slope_by_item += one_item(expected_score_slope, theta, form.a[i], form.b[i], form.c[i],
                                  form.wrong[i], form.right[i]);
      }
      const auto args = [&](auto f) {
        return f(theta, one_based(form.a), one_based(form.b), one_based(form.c), n,
                 one_based(form.wrong), one_based(form.right));
      };
      const std::string name =
          "theta " + std::to_string(theta) + ", " + std::to_string(n) + " items";
      EXPECT_EQ(args(expected_score), score_by_item) << name;
      EXPECT_EQ(args(expected_score_slope), slope_by_item) << name;
      double score = -1.0, slope = -1.0;
      expected_score_and_slope(theta, one_based(form.a), one_based(form.b), one_based(form.c), n,
                               one_based(form.wrong), one_based(form.right), &score, &slope);
      EXPECT_EQ(score, score_by_item) << name;
      EXPECT_EQ(slope, slope_by_item) << name;
    }
  }
}

TEST(ItemModelTest, BatchProbabilitiesAreTheSingleOnesBitForBit) {
  const MixedForm form(1000);
  for (double theta : {-150.0, -2.5, 0.0, 0.8, 150.0}) {
    for (std::size_t n : {0, 1, 3, 4, 5, 8, 9, 64, 1000}) {
      std::vector<double> p(n, -1.0);
      const auto first = [n](const std::vector<double>& v) { return std::span(v).first(n); };
      prob_3pl_batch(theta, first(form.a), first(form.b), first(form.c), p);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(p[i], prob_3pl(theta, form.a[i], form.b[i], form.c[i]))
            << "theta " << theta << ", item " << i << " of " << n;
      }
    }
  }
}

TEST(ItemModelTest, FormsOfExtremeItemsReachTheAsymptotesExactly) {
  // Eight items, so that whole groups of four go through the sums together.
  const std::vector<double> a(8, 1000.0), b(8, 0.0), c = {0.2, 0.1, 0.25, 0.0, 0.2, 0.1, 0.25, 0.0};
  const std::vector<double> zero(8, 0.0), one(8, 1.0);
  double chance = 0.0;
  for (double ci : c) chance += ci;
  for (double theta : {-150.0, -10.0, -0.75, 0.75, 10.0, 150.0}) {
    double score = -1.0, slope = -1.0;
    expected_score_and_slope(theta, one_based(a), one_based(b), one_based(c), 8, one_based(zero),
                             one_based(one), &score, &slope);
    EXPECT_EQ(score, theta < 0 ? chance : 8.0) << theta;
    EXPECT_EQ(slope, 0.0) << theta;
  }
}

TEST(ItemModelTest, ResponseScoresWeightEachItem) {
  EXPECT_NEAR(one_item(expected_score, 0.0, 1.0, 0.0, 0.2, 0.5, 2.0), 1.4, 1e-15);
  EXPECT_NEAR(one_item(expected_score_slope, 0.0, 1.0, 0.0, 0.2, 0.5, 2.0), 1.5 * 0.34, 1e-15);
}

}  // namespace
