// Tests of the item-score recursion and of the score grid check
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "allocation.h"
#include "observed/example_forms.h"
#include "observed_score.h"

namespace {

struct GridCase {
  std::string name;
  double lowest, highest, increment;
  std::vector<double> correct, incorrect;
  Status expected;
};

TEST(ItemScoresTest, DistributionsOnTheScoreGridMatchTable) {
  const ExampleForm form = new_example_form();
  const struct {
    std::string name;
    std::vector<double> correct, incorrect;
    double lowest, highest;
    std::vector<double> expected;
  } cases[] = {
      {"scores 1 1 1", {1, 1, 1}, {0, 0, 0}, 0, 3, {0.047890, 0.292230, 0.462307, 0.197572}},
      {"scores 2 2 2",
       {2, 2, 2},
       {0, 0, 0},
       0,
       6,
       {0.047890, 0, 0.292230, 0, 0.462307, 0, 0.197572}},
      {"scores 2 1 1",
       {2, 1, 1},
       {0, 0, 0},
       0,
       4,
       {0.047890, 0.220395, 0.203550, 0.330593, 0.197572}},
      // Totals -3, -1, 1, 3 with the number-correct probabilities.
      {"scores 1 or -1",
       {1, 1, 1},
       {-1, -1, -1},
       -3,
       3,
       {0.047890, 0, 0.292230, 0, 0.462307, 0, 0.197572}}};
  for (const auto& tc : cases) {
    std::vector<double> work(tc.expected.size(), -1.0);
    ASSERT_EQ(conditional_item_scores(0.0, 3, tc.lowest, tc.highest, 1.0, one_based(tc.correct),
                                      one_based(tc.incorrect), one_based(form.a), one_based(form.b),
                                      one_based(form.c), work),
              0)
        << tc.name;
    for (std::size_t x = 0; x < work.size(); ++x)
      EXPECT_NEAR(work[x], tc.expected[x], 1e-6) << tc.name << " x " << x;
  }
}

TEST(ItemScoresTest, BothResponsesOnOnePointKeepAllProbability) {
  const ExampleForm item{{1.0}, {0.0}, {0.2}};
  const std::vector<double> correct = {1.0}, incorrect = {1.2};
  std::vector<double> work(3);
  ASSERT_EQ(conditional_item_scores(0.0, 1, 0.0, 2.0, 1.0, one_based(correct), one_based(incorrect),
                                    one_based(item.a), one_based(item.b), one_based(item.c), work),
            0);
  EXPECT_DOUBLE_EQ(work[1], 1.0);
}

TEST(ItemScoresTest, RecursionRefusesWhatItCannotHold) {
  const ExampleForm form = new_example_form();
  const std::vector<double> correct = {1, 1, 1}, incorrect = {0, 0, 0};
  auto run = [&](double highest, std::size_t work_size) {
    std::vector<double> work(work_size);
    return conditional_item_scores(0.0, 3, 0.0, highest, 1.0, one_based(correct),
                                   one_based(incorrect), one_based(form.a), one_based(form.b),
                                   one_based(form.c), work);
  };
  EXPECT_NE(run(-2.0, 4), 0) << "empty grid";
  EXPECT_NE(run(3.0, 3), 0) << "work shorter than the grid";
  EXPECT_NE(run(2.0, 4), 0) << "totals above the grid";
  fail_allocation_after(1);
  EXPECT_NE(run(3.0, 4), 0) << "temporary vector not allocated";
  fail_allocation_after(0);
}

TEST(ItemScoresTest, CheckScoreGrid) {
  const double inf = INFINITY;
  const std::vector<GridCase> cases = {
      {"number-correct scores", 0, 3, 1, {1, 1, 1}, {0, 0, 0}, 0},
      {"decimal steps", 0, 0.4, 0.1, {0.1, 0.1, 0.1}, {0, 0, 0}, 0},
      {"negative scores", -3, 3, 1, {1, 1, 1}, {-1, -1, -1}, 0},
      {"highest not above lowest", 3, 3, 1, {1, 1, 1}, {0, 0, 0}, 1},
      {"highest off the grid", 0, 3.5, 1, {1, 1, 1}, {0, 0, 0}, 1},
      {"lowest off the grid", 0.5, 3, 1, {1, 1, 1}, {0.5, 0, 0}, 1},
      {"incorrect not below correct", 0, 3, 1, {1, 1, 1}, {0, 1, 0}, 1},
      {"incorrect below lowest", 0, 3, 1, {1, 1, 1}, {-1, 0, 0}, 1},
      {"correct above highest", 0, 3, 1, {4, 1, 1}, {0, 0, 0}, 1},
      {"score off the grid", 0, 3, 1, {1, 0.5, 1}, {0, 0, 0}, 1},
      {"score just off the grid", 0, 3, 1, {1, 1.001, 1}, {0, 0, 0}, 1},
      {"running correct total above highest", 0, 3, 1, {2, 1, 1}, {0, 0, 0}, 1},
      {"running incorrect total below lowest", -1, 3, 1, {1, 1, 1}, {-1, -1, 0}, 1},
      {"score not a number", 0, 3, 1, {1, NAN, 1}, {0, 0, 0}, 1},
      {"zero increment", 0, 3, 0, {1, 1, 1}, {0, 0, 0}, 1},
      {"negative increment", 0, 3, -1, {1, 1, 1}, {0, 0, 0}, 1},
      {"infinite increment", 0, 3, inf, {1, 1, 1}, {0, 0, 0}, 1},
      {"increment not a number", 0, 3, NAN, {1, 1, 1}, {0, 0, 0}, 1},
      {"missing scores", 0, 3, 1, {1, 1}, {0, 0}, 1},
  };
  for (const auto& tc : cases) {
    EXPECT_EQ(check_score_grid(3, tc.lowest, tc.highest, tc.increment, one_based(tc.correct),
                               one_based(tc.incorrect)),
              tc.expected)
        << tc.name;
  }
  const std::vector<double> scores = {1, 1, 1};
  EXPECT_NE(check_score_grid(3, 0, 3, 1, OneBasedView{}, one_based(scores)), 0) << "absent";
  EXPECT_NE(check_score_grid(3, 0, 3, 1, one_based(scores), OneBasedView{}), 0) << "absent";
}

}  // namespace
