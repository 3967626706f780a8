// Tests of the item-score recursion and of the score grid check
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "allocation.h"
#include "observed/example_forms.h"
#include "observed_score.h"

namespace {

using Scores = std::vector<double>;

Status at_theta_zero(const ExampleForm& form, const Scores& correct, const Scores& incorrect,
                     double lowest, double highest, std::vector<double>& work) {
  return conditional_item_scores(0.0, form.count(), lowest, highest, 1.0, one_based(correct),
                                 one_based(incorrect), one_based(form.a), one_based(form.b),
                                 one_based(form.c), work);
}

TEST(ItemScoresTest, DistributionsOnTheScoreGridMatchTable) {
  const struct {
    Scores correct, incorrect, expected;
    double lowest;
  } cases[] = {
      {{1, 1, 1}, {0, 0, 0}, {0.047890, 0.292230, 0.462307, 0.197572}, 0},
      {{2, 2, 2}, {0, 0, 0}, {0.047890, 0, 0.292230, 0, 0.462307, 0, 0.197572}, 0},
      {{2, 1, 1}, {0, 0, 0}, {0.047890, 0.220395, 0.203550, 0.330593, 0.197572}, 0},
      // Totals -3, -1, 1, 3: predecessors below the grid must round away from it.
      {{1, 1, 1}, {-1, -1, -1}, {0.047890, 0, 0.292230, 0, 0.462307, 0, 0.197572}, -3},
  };
  for (const auto& tc : cases) {
    std::vector<double> work(tc.expected.size(), -1.0);
    const double highest = tc.lowest + static_cast<double>(work.size() - 1);
    ASSERT_EQ(at_theta_zero(new_example_form(), tc.correct, tc.incorrect, tc.lowest, highest, work),
              0);
    for (std::size_t x = 0; x < work.size(); ++x)
      EXPECT_NEAR(work[x], tc.expected[x], 1e-6) << "scores " << tc.correct[0] << " x " << x;
  }
}

TEST(ItemScoresTest, BothResponsesOnOnePointKeepAllProbability) {
  std::vector<double> work(3);
  ASSERT_EQ(at_theta_zero({{1.0}, {0.0}, {0.2}}, {1.0}, {1.2}, 0.0, 2.0, work), 0);
  EXPECT_DOUBLE_EQ(work[1], 1.0);
}

TEST(ItemScoresTest, RecursionRefusesWhatItCannotHold) {
  const ExampleForm form = new_example_form();
  std::vector<double> work(4);
  EXPECT_NE(at_theta_zero(form, {1, 1, 1}, {0, 0, 0}, 0, -2, work), 0) << "empty grid";
  EXPECT_NE(at_theta_zero(form, {1, 1, 1}, {0, 0, 0}, 0, 2, work), 0) << "totals above the grid";
  fail_allocation_after(1);
  EXPECT_NE(at_theta_zero(form, {1, 1, 1}, {0, 0, 0}, 0, 3, work), 0) << "no temporary vector";
  fail_allocation_after(0);
}

TEST(ItemScoresTest, CheckScoreGrid) {
  const struct {
    std::string name;
    double lowest, highest, increment;
    Scores correct, incorrect;
    Status expected;
  } cases[] = {
      {"number-correct scores", 0, 3, 1, {1, 1, 1}, {0, 0, 0}, 0},
      {"decimal steps", 0, 0.4, 0.1, {0.1, 0.1, 0.1}, {0, 0, 0}, 0},
      {"highest not above lowest", 3, 3, 1, {1, 1, 1}, {0, 0, 0}, 1},
      {"highest off the grid", 0, 3.5, 1, {1, 1, 1}, {0, 0, 0}, 1},
      {"incorrect not below correct", 0, 3, 1, {1, 1, 1}, {0, 1, 0}, 1},
      {"correct above highest", 0, 3, 1, {4, 1, 1}, {0, 0, 0}, 1},
      {"score just off the grid", 0, 3, 1, {1, 1.001, 1}, {0, 0, 0}, 1},
      {"correct total above highest", 0, 3, 1, {2, 1, 1}, {0, 0, 0}, 1},
      {"score not a number", 0, 3, 1, {1, NAN, 1}, {0, 0, 0}, 1},
      {"zero increment", 0, 3, 0, {1, 1, 1}, {0, 0, 0}, 1},
      {"infinite increment", 0, 3, INFINITY, {1, 1, 1}, {0, 0, 0}, 1},
  };
  for (const auto& tc : cases) {
    EXPECT_EQ(check_score_grid(3, tc.lowest, tc.highest, tc.increment, one_based(tc.correct),
                               one_based(tc.incorrect)),
              tc.expected)
        << tc.name;
  }
  const Scores ones = {1, 1, 1};
  EXPECT_NE(check_score_grid(3, 0, 3, 1, OneBasedView{}, one_based(ones)), 0) << "absent";
}

}  // namespace
