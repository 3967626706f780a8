// The item model against hand-worked probabilities, slopes and expected scores
#include "irt/item_model.h"

#include <gtest/gtest.h>

namespace zol {
namespace {

FormView one_item(const double& a, const double& b, const double& c) {
  return FormView{{&a, 1}, {&b, 1}, {&c, 1}, {}, DEFAULT_SCALING_CONSTANT};
}

TEST(ItemModelTest, ProbabilityAndSlopeOfOneItem) {
  struct Case {
    double theta, a, b, c, p, slope;
  };
  // At theta = b the probability is c + (1 - c) / 2 and the slope 1.7 a (1 - c) / 4.
  const Case cases[] = {
      {0, 1.0, 0.0, 0.2, 0.600000, 0.340000},   {1, 1.0, 0.0, 0.2, 0.876428, 0.177624},
      {-1, 1.0, 0.0, 0.2, 0.323572, 0.177624},  {0, 1.5, 0.5, 0.25, 0.413802, 0.326469},
      {2, 0.8, -1.0, 0.0, 0.983374, 0.022236},  {-150, 1.0, 0.0, 0.2, 0.2, 0.0},
      {150, 1.0, 0.0, 0.2, 1.0, 0.0},           {3, 0.0, 1.0, 0.3, 0.65, 0.0},
      {0, -1.0, 0.0, 0.2, 0.600000, -0.340000}, {10, 1000.0, 0.0, 0.2, 1.0, 0.0},
      {-10, 1000.0, 0.0, 0.2, 0.2, 0.0},
  };
  for (const Case& t : cases) {
    EXPECT_NEAR(prob_3pl(t.theta, t.a, t.b, t.c), t.p, 5e-7) << t.theta << " " << t.a;
    EXPECT_NEAR(expected_score_slope(t.theta, one_item(t.a, t.b, t.c)), t.slope, 5e-7)
        << t.theta << " " << t.a;
  }
}

TEST(ItemModelTest, ExpectedScoreOfThreeItems) {
  const double a[] = {1.0, 1.5, 0.8}, b[] = {0.0, 0.5, -1.0}, c[] = {0.2, 0.25, 0.0};
  const FormView form{a, b, c, {}, DEFAULT_SCALING_CONSTANT};
  const double thetas[] = {-1, 0, 1}, scores[] = {1.089587, 1.809562, 2.650822},
               slopes[] = {0.557589, 0.887505, 0.582951};
  for (int k = 0; k < 3; ++k) {
    const ScoreAndSlope both = expected_score_and_slope(thetas[k], form);
    EXPECT_NEAR(both.score, scores[k], 5e-7) << thetas[k];
    EXPECT_NEAR(both.slope, slopes[k], 5e-7) << thetas[k];
    EXPECT_EQ(both.score, expected_score(thetas[k], form)) << thetas[k];
    EXPECT_EQ(both.slope, expected_score_slope(thetas[k], form)) << thetas[k];
  }
  // With D = 1 the item at theta = b still has P = c + (1 - c) / 2, and its
  // slope is a (1 - c) / 4.
  const double one_a = 1.0, b0 = 0.0, c2 = 0.2;
  const FormView logistic{{&one_a, 1}, {&b0, 1}, {&c2, 1}, {}, 1.0};
  EXPECT_NEAR(expected_score(0.0, logistic), 0.6, 1e-15);
  EXPECT_NEAR(expected_score_slope(0.0, logistic), 0.2, 1e-15);
}

}  // namespace
}  // namespace zol
