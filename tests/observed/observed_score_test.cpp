// Fitted score distributions and equipercentile equating against worked values
#include "observed/observed_score.h"

#include <gtest/gtest.h>

#include <vector>

#include "observed/equipercentile.h"

namespace zol {
namespace {

const std::vector<double> A = {1.0, 1.5, 0.8}, B = {0.0, 0.5, -1.0}, C = {0.2, 0.25, 0.0};

Quadrature quadrature(const std::vector<double>& points, const std::vector<double>& weights) {
  return {points, weights};
}

void expect_near(const std::vector<double>& actual, const std::vector<double>& expected,
                 const std::string& name, double tolerance = 5e-7) {
  ASSERT_GE(actual.size(), expected.size()) << name;
  for (std::size_t x = 0; x < expected.size(); ++x) {
    EXPECT_NEAR(actual[x], expected[x], tolerance) << name << ", score " << x;
  }
}

TEST(ObservedScoreTest, ConditionalAndFittedDistributions) {
  const FormView form{A, B, C, {}, DEFAULT_SCALING_CONSTANT};
  const double thetas[] = {-1, 0, 1};
  const std::vector<double> at[] = {{0.248244, 0.456963, 0.251756, 0.043037},
                                    {0.047890, 0.292230, 0.462307, 0.197572},
                                    {0.001251, 0.034249, 0.276926, 0.687574}};
  for (int k = 0; k < 3; ++k) {
    std::vector<double> work(4);
    ASSERT_TRUE(conditional_distribution(thetas[k], form, work));
    expect_near(work, at[k], "theta " + std::to_string(thetas[k]));
  }
  // Weights summing to 0.95 pass, and the distribution is not rescaled.
  std::vector<double> fitted(4);
  ASSERT_EQ(observed_score_distribution(form, quadrature({-1, 0, 1}, {0.25, 0.5, 0.25}),
                                        fitted),
            DistributionStatus::OK);
  expect_near(fitted, {0.086319, 0.268918, 0.363324, 0.281439}, "fitted");
  ASSERT_EQ(observed_score_distribution(form, quadrature({-1, 0, 1}, {0.2, 0.5, 0.25}),
                                        fitted),
            DistributionStatus::OK);
  EXPECT_NEAR(fitted[0] + fitted[1] + fitted[2] + fitted[3], 0.95, 1e-12);
  for (const std::vector<double>& weights : {std::vector<double>{20, 60, 20}, {0.2, 0.4, 0.2}}) {
    EXPECT_EQ(observed_score_distribution(form, quadrature({-1, 0, 1}, weights), fitted),
              DistributionStatus::WEIGHT_TOTAL);
  }
}

TEST(ObservedScoreTest, EquipercentileEquatingOfTheWorkedExample) {
  // F from the three items above, G from the four-item old form, both under
  // the weights 0.25, 0.5, 0.25 at -1, 0, 1.
  const std::vector<double> F = {0.086319, 0.355237, 0.718561, 1.0};
  const std::vector<double> G = {0.096248, 0.332307, 0.631820, 0.884950, 1.0};
  std::vector<double> e(4);
  equipercentile_equate(F, G, 0.0, 1.0, e);
  // From six decimals of F and G, e is good to a few millionths.
  expect_near(e, {-0.051581, 1.027538, 2.183082, 3.398593}, "equated", 3e-6);

  // A rank exactly at G[j] moves on to the next score that holds probability;
  // no G above the rank puts the result at or beyond the top.
  struct Case {
    const char* name;
    std::vector<double> F, G, expected;
  };
  const Case cases[] = {
      {"rank at a cumulative proportion", {0.5, 1.0}, {0.25, 0.25, 1.0}, {1.5, 2.1666667}},
      {"identical distributions", {0.2, 0.7, 1.0}, {0.2, 0.7, 1.0}, {0.0, 1.0, 2.0}},
      {"one old score", {0.4, 1.0}, {1.0}, {-0.3, 0.2}},
      {"no old score above the rank", {0.5, 1.0}, {0.5, 0.5}, {0.0, 0.5}},
  };
  for (const Case& t : cases) {
    std::vector<double> equated(t.F.size());
    equipercentile_equate(t.F, t.G, 0.0, 1.0, equated);
    expect_near(equated, t.expected, t.name);
  }
}

}  // namespace
}  // namespace zol
