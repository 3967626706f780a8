// Partial-credit and graded-response items against the 3PL, a published item, far tails and
// numerical derivatives
#include "irt/category_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "irt/item_model.h"

namespace zol {
namespace {

constexpr double D_NORMAL = 1.7;

struct Categories {
  std::vector<double> p, dp, d2p;
};

Categories evaluate(double theta, ItemModel model, double a, const std::vector<double>& steps,
                    double d) {
  const CategoryItem item{model, a, steps};
  Categories c{std::vector<double>(steps.size() + 1), std::vector<double>(steps.size() + 1),
               std::vector<double>(steps.size() + 1)};
  category_derivatives(theta, item, d, c.p, c.dp, c.d2p);
  return c;
}

void expect_close(double value, double expected, double relative, const std::string& name) {
  EXPECT_LE(std::fabs(value - expected), relative * std::fabs(expected))
      << name << ": " << value << " against " << expected;
}

// Two categories are the 3PL item with c = 0, P_0 being the 3PL's P at -theta
// and -b; the expected score is P_1, its slope the 3PL's slope. Far tails
// included, where only a relatively exact P_0 or slope survives.
TEST(CategoryModelTest, TwoCategoriesAreTheThreeParameterItemWithoutGuessing) {
  const double zero = 0.0;
  struct Case {
    double theta, a, b;
  } const cases[] = {{0.0, 1.0, 0.0},     {0.3, 1.2, -0.7},  {-2.5, 0.6, 1.1}, {4.0, 2.0, -1.0},
                     {30.0, 1.0, 0.0},    {-30.0, 1.0, 0.0}, {150.0, 0.5, 3.0}, {-150.0, 1.3, -2.0},
                     {1e-3, 1e3, 0.0}};
  for (const Case& t : cases) {
    const std::vector<double> steps{t.b};
    const FormView form{{&t.a, 1}, {&t.b, 1}, {&zero, 1}, {}, DEFAULT_SCALING_CONSTANT};
    const double p1 = prob_3pl(t.theta, t.a, t.b, 0.0), p0 = prob_3pl(-t.theta, t.a, -t.b, 0.0);
    const double slope = expected_score_slope(t.theta, form);
    for (ItemModel model : {ItemModel::GPCM, ItemModel::GRM}) {
      const std::string name = std::string(model == ItemModel::GPCM ? "GPCM" : "GRM") +
                               " theta " + std::to_string(t.theta) + " a " + std::to_string(t.a);
      const Categories c = evaluate(t.theta, model, t.a, steps, D_NORMAL);
      expect_close(c.p[0], p0, 1e-15, name + " P_0");
      expect_close(c.p[1], p1, 1e-15, name + " P_1");
      expect_close(c.dp[1], slope, 1e-14, name + " dP_1");
      const ScoreAndSlope e = expected_item_score(t.theta, {model, t.a, steps}, D_NORMAL);
      expect_close(e.score, p1, 1e-15, name + " expected score");
      expect_close(e.slope, slope, 1e-14, name + " slope");
    }
  }
}

// A published generalized partial credit item in the logistic metric.
TEST(CategoryModelTest, PublishedPartialCreditItem) {
  const std::vector<double> steps{-1.8, -0.73, 0.45};
  const struct {
    double theta, p[4];
  } cases[] = {{-4.0, {0.783, 0.192, 0.024, 0.001}}, {0.0, {0.077, 0.243, 0.388, 0.291}}};
  for (const auto& t : cases) {
    const Categories c = evaluate(t.theta, ItemModel::GPCM, 0.64, steps, 1.0);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(c.p[k], t.p[k], 5e-4) << t.theta << " P_" << k;
  }
}

// For any finite parameters: no probability negative or not a number, and
// the sum is 1 to a few units in the last place.
TEST(CategoryModelTest, ExtremeParametersGiveProbabilitiesThatSumToOne) {
  const std::vector<std::vector<double>> step_sets = {
      {-1.0, 0.0, 1.0},
      {-1e300, 0.0, 1e300},
      {-1.7e308, 1.7e308},
      {1.7e308, 1.7e308, 1.7e308},
      {0.5, 0.5 + 1e-15, 0.5 + 2e-15},
      {-3.0, -2.9, 40.0, 40.1, 41.0},
      // At theta 0.5 the running sums cannot tell category 2 from 1; the
      // direct sum puts 2 above 1 by 0.01, which d a = 1.7e300 would
      // overflow if it were not made the mode.
      {-1e15, 0.49},
      std::vector<double>(99, -1e307),
      [] {  // cumulative exponents that swing by about 1e310
        std::vector<double> swing(50, -1.7e308);
        swing.insert(swing.end(), 49, 1.7e308);
        return swing;
      }(),
  };
  const double thetas[] = {-1.7e308, -1e30, -150.0, -0.2, 0.0, 0.5, 150.0, 1e30, 1.7e308};
  const double slopes[] = {1e-300, 1e-8, 0.64, 1.0, 1e8, 1e300};
  for (ItemModel model : {ItemModel::GPCM, ItemModel::GRM}) {
    for (const std::vector<double>& steps : step_sets) {
      for (double a : slopes) {
        for (double theta : thetas) {
          const Categories c = evaluate(theta, model, a, steps, D_NORMAL);
          double total = 0.0;
          for (std::size_t k = 0; k < c.p.size(); ++k) {
            ASSERT_TRUE(c.p[k] >= 0.0 && c.p[k] <= 1.0)
                << static_cast<int>(model) << " a " << a << " theta " << theta << " steps "
                << steps.front() << ".. P_" << k << " = " << c.p[k];
            total += c.p[k];
          }
          ASSERT_NEAR(total, 1.0, 8e-16 * static_cast<double>(c.p.size()))
              << static_cast<int>(model) << " a " << a << " theta " << theta;
          const ScoreAndSlope e = expected_item_score(theta, {model, a, steps}, D_NORMAL);
          ASSERT_TRUE(e.score >= 0.0 && e.score <= static_cast<double>(steps.size()) &&
                      e.slope >= 0.0)
              << static_cast<int>(model) << " a " << a << " theta " << theta;
        }
      }
    }
  }
}

// Categories far in a tail, and near boundaries, keep their relative
// precision. The references take the difference of logistics on the side
// where both are small, or are hand-derived: L(0) - L(-h) = h/4 - h^3/48.
TEST(CategoryModelTest, FarTailCategoriesKeepTheirRelativePrecision) {
  const auto small_logistic = [](double x) { return 1.0 / (1.0 + std::exp(x)); };  // L(-x)
  const double e = std::exp(1.0);
  const struct {
    const char* name;
    ItemModel model;
    double theta, a, d;
    std::vector<double> steps;
    std::size_t k;
    double expected, relative;
  } cases[] = {
      {"GRM above both boundaries", ItemModel::GRM, 40.0, 1.0, 1.0, {0.0, 1.0}, 1,
       small_logistic(39.0) - small_logistic(40.0), 1e-14},
      {"GRM at theta 150", ItemModel::GRM, 150.0, 1.0, D_NORMAL, {-1.0, 0.0, 1.0}, 2,
       small_logistic(1.7 * 149.0) - small_logistic(1.7 * 150.0), 1e-12},
      {"GRM near boundaries", ItemModel::GRM, 0.0, 1.0, 1.0, {-1e-10, 0.0}, 1,
       1e-10 / 4.0 - 1e-30 / 48.0, 1e-14},
      // Boundaries 31/64 apart: both references' arguments are exact.
      {"GRM at theta -150", ItemModel::GRM, -150.0, 1.0, 1.0, {0.0, 0.484375}, 1,
       small_logistic(150.0) - small_logistic(150.484375), 1e-14},
      // theta - b overflows, d a (theta - b) = 3.4 does not.
      {"GRM at the largest doubles", ItemModel::GRM, 1.7e308, 1e-300, 1e-8, {-1.7e308}, 1,
       1.0 / (1.0 + std::exp(-3.4)), 1e-13},
      // s_1 = 1.7 (-149), s_2 = s_1 + 1.7 (-150); their exponentials over about 1.
      {"GPCM at theta -150", ItemModel::GPCM, -150.0, 1.0, D_NORMAL, {-1.0, 0.0}, 1,
       std::exp(-253.3), 1e-12},
      // Mode 2; V = P_1 + 4 P_0 - (P_1 + 2 P_0)^2 = e^-80 to far below rounding.
      {"GPCM slope at theta 80", ItemModel::GPCM, 80.0, 1.0, 1.0, {0.0, 0.0}, 3,
       std::pow(e, -80.0), 1e-13},
  };
  for (const auto& t : cases) {
    const CategoryItem item{t.model, t.a, t.steps};
    std::vector<double> p(t.steps.size() + 1);
    category_probabilities(t.theta, item, t.d, p);
    const double value =
        t.k < p.size() ? p[t.k] : expected_item_score(t.theta, item, t.d).slope;
    EXPECT_GT(value, 0.0) << t.name;
    expect_close(value, t.expected, t.relative, t.name);
  }
}

// A GPCM step far outside the others splits the item: the categories on the
// step's far side take no probability, and those on its near side are an
// item of the remaining steps, shifted by the categories left out. Their
// ratios depend on differences of a few units only, which sums that carry
// the far step (about 1e15, or 1e302 at half scale) would round away. The
// rest's own running sums reach about 450 at theta 150, so a category some
// 500 units of d a u down its tail agrees to about 1e-13 only.
TEST(CategoryModelTest, AStepFarOutsideTheOthersLeavesTheItemOfTheRest) {
  const struct {
    const char* name;
    std::vector<double> steps, rest;
    std::size_t shift;  // the categories below the rest's category 0
  } cases[] = {
      {"far first step", {-1e15, 1.0, 1.0, 1.0}, {1.0, 1.0, 1.0}, 1},
      {"far first step at half scale", {-1e302, 0.5, 1.5}, {0.5, 1.5}, 1},
      {"far step below in the middle", {0.2, -1e15, -0.4, 0.8}, {-0.4, 0.8}, 2},
      {"far step above in the middle", {-1.0, 1e15, 0.5}, {-1.0}, 0},
      {"far last step", {-0.5, 0.3, 1e15}, {-0.5, 0.3}, 0},
  };
  for (const auto& t : cases) {
    for (double a : {1.0, 0.37}) {
      for (double theta : {-149.3, -2.7, 0.4678, 0.81, 2.35, 149.9}) {
        const std::string name =
            std::string(t.name) + " a " + std::to_string(a) + " theta " + std::to_string(theta);
        const Categories whole = evaluate(theta, ItemModel::GPCM, a, t.steps, D_NORMAL);
        const Categories rest = evaluate(theta, ItemModel::GPCM, a, t.rest, D_NORMAL);
        for (std::size_t k = 0; k < whole.p.size(); ++k) {
          const std::string category = name + " P_" + std::to_string(k);
          if (k < t.shift || k >= t.shift + rest.p.size()) {
            EXPECT_EQ(whole.p[k], 0.0) << category;
            continue;
          }
          expect_close(whole.p[k], rest.p[k - t.shift], 1e-12, category);
          expect_close(whole.dp[k], rest.dp[k - t.shift], 1e-12, category + " dP");
          expect_close(whole.d2p[k], rest.d2p[k - t.shift], 1e-11, category + " d2P");
        }
        const ScoreAndSlope e = expected_item_score(theta, {ItemModel::GPCM, a, t.steps}, D_NORMAL);
        const ScoreAndSlope e_rest =
            expected_item_score(theta, {ItemModel::GPCM, a, t.rest}, D_NORMAL);
        expect_close(e.score, static_cast<double>(t.shift) + e_rest.score, 1e-14,
                     name + " expected score");
        expect_close(e.slope, e_rest.slope, 1e-12, name + " slope");
      }
    }
  }
}

// The analytic derivatives against central differences, and the expected
// score against the probabilities.
TEST(CategoryModelTest, DerivativesMatchCentralDifferences) {
  const std::vector<double> steps_gpcm{-1.2, 0.4, -0.3, 1.5}, steps_grm{-1.2, -0.3, 0.4, 1.5};
  const double h = 1e-5;
  for (ItemModel model : {ItemModel::GPCM, ItemModel::GRM}) {
    const std::vector<double>& steps = model == ItemModel::GPCM ? steps_gpcm : steps_grm;
    for (double theta : {-3.0, -0.8, 0.0, 0.45, 2.2}) {
      const std::string name = std::string(model == ItemModel::GPCM ? "GPCM" : "GRM") +
                               " theta " + std::to_string(theta);
      const Categories at = evaluate(theta, model, 1.3, steps, D_NORMAL);
      const Categories up = evaluate(theta + h, model, 1.3, steps, D_NORMAL);
      const Categories down = evaluate(theta - h, model, 1.3, steps, D_NORMAL);
      double mean = 0.0;
      for (std::size_t k = 0; k < at.p.size(); ++k) {
        EXPECT_NEAR(at.dp[k], (up.p[k] - down.p[k]) / (2 * h), 1e-8) << name << " k " << k;
        EXPECT_NEAR(at.d2p[k], (up.dp[k] - down.dp[k]) / (2 * h), 1e-8) << name << " k " << k;
        mean += static_cast<double>(k) * at.p[k];
      }
      const CategoryItem item{model, 1.3, steps};
      const ScoreAndSlope e = expected_item_score(theta, item, D_NORMAL);
      const double e_up = expected_item_score(theta + h, item, D_NORMAL).score;
      const double e_down = expected_item_score(theta - h, item, D_NORMAL).score;
      EXPECT_NEAR(e.score, mean, 1e-14) << name;
      EXPECT_NEAR(e.slope, (e_up - e_down) / (2 * h), 1e-8) << name;
    }
  }
}

}  // namespace
}  // namespace zol
