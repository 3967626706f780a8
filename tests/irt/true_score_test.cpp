// Tests of IRT true-score equating
#include "true_score.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "item_model.h"
#include "root_finder.h"

namespace {

struct Form {
  std::vector<double> a, b, c;
};

struct Result {
  std::vector<double> equated, theta;
  double chance = -1.0;
};

// Response scores of number-correct scoring. They outlive every call, so the
// root function may still be evaluated after the equating has returned.
const std::vector<double> ONE(100, 1.0), ZERO(100, 0.0);

// Equates every raw score 0..n of the new form with number-correct scoring.
Result equate(const Form& new_form, const Form& old_form) {
  const auto n_new = static_cast<std::int32_t>(new_form.a.size());
  const auto n_old = static_cast<std::int32_t>(old_form.a.size());
  std::vector<double> raw;
  for (std::int32_t k = 0; k <= n_new; ++k) raw.push_back(k);
  Result r{std::vector<double>(raw.size(), -7.0), std::vector<double>(raw.size(), -7.0)};
  const auto view = [](const std::vector<double>& v) { return one_based(v); };
  EXPECT_EQ(
      true_score_equate(view(new_form.a), view(new_form.b), view(new_form.c), view(old_form.a),
                        view(old_form.b), view(old_form.c), n_new, n_old, n_new + 1, raw, view(ONE),
                        view(ONE), view(ZERO), view(ZERO), r.equated, r.theta, &r.chance),
      0);
  return r;
}

const Form THREE_NEW = {{1.0, 1.5, 0.8}, {0.0, 0.5, -1.0}, {0.2, 0.25, 0.0}};
const Form THREE_OLD = {{1.2, 0.9, 1.1}, {-0.3, 0.2, 0.8}, {0.15, 0.25, 0.2}};
const Form FOUR_NEW = {{1.0, 1.2, 0.9, 1.1}, {-0.5, 0.0, 0.5, 1.0}, {0.3, 0.3, 0.3, 0.3}};
const Form FOUR_OLD = {{1.0, 1.0, 1.3, 0.8}, {-0.2, 0.3, 0.6, 1.2}, {0.25, 0.2, 0.25, 0.2}};
const Form NO_GUESSING = {{1.0, 1.0}, {0.0, 0.0}, {0.0, 0.0}};
const Form QUARTER_C = {{1, 1, 1, 1}, {0, 0, 0, 0}, {0.25, 0.25, 0.25, 0.25}};
// Keeps the line (0.2 * raw) apart from its expected score at theta -150 (1.0).
const Form FALLING = {{-1.0}, {0.0}, {0.2}};
// Expected score 2 at theta -150 and 1 at 150.
const Form MOSTLY_FALLING = {{1, -1, -1}, {0, 0, 0}, {0, 0, 0}};
const Form CERTAIN = {{1.0, 1.0}, {0.0, 0.0}, {1.0, 1.0}};

TEST(TrueScoreTest, MatchesTheWorkedExamples) {
  struct Case {
    const char* name;
    const Form &new_form, &old_form;
    double chance;
    std::vector<std::pair<double, double>> theta_and_equated;  // by raw score
  };
  const std::vector<Case> cases = {
      {"three items",
       THREE_NEW,
       THREE_OLD,
       0.45,
       {{-150, 0}, {-1.1684, 0.8255}, {0.2086, 1.8040}, {150, 3}}},
      {"four items",
       FOUR_NEW,
       FOUR_OLD,
       1.2,
       {{-150, 0}, {-150, 0.75}, {-0.3801, 1.5702}, {0.6547, 2.6806}, {150, 4}}},
      {"all c zero: only score 0 on the line, with slope 0",
       NO_GUESSING,
       THREE_OLD,
       0.0,
       {{-150, 0}, {0, 1.6156}, {150, 3}}},
      {"a score equal to the chance score lies on the line",
       QUARTER_C,
       FALLING,
       1.0,
       {{-150, 0}, {-150, 0.2}, {-0.4077, 0.7333}, {0.4077, 0.4667}, {150, 1}}},
      // Raw score 2 is found exactly at the bottom of the bracket.
      {"a first score above chance but below the bracket",
       MOSTLY_FALLING,
       THREE_OLD,
       0.0,
       {{-150, 0}, {-150, 0}, {-150, 0.6}, {150, 3}}},
      {"one item", FALLING, THREE_OLD, 0.2, {{-150, 0}, {150, 3}}},
      {"c summing to n: no score above chance",
       CERTAIN,
       THREE_OLD,
       2.0,
       {{-150, 0}, {-150, 0.3}, {150, 3}}},
  };
  for (const Case& t : cases) {
    const Result r = equate(t.new_form, t.old_form);
    EXPECT_EQ(r.chance, t.chance) << t.name;
    ASSERT_EQ(r.theta.size(), t.theta_and_equated.size()) << t.name;
    for (std::size_t k = 0; k < r.theta.size(); ++k) {
      EXPECT_NEAR(r.theta[k], t.theta_and_equated[k].first, 5e-5) << t.name << ", raw " << k;
      EXPECT_NEAR(r.equated[k], t.theta_and_equated[k].second, 5e-5) << t.name << ", raw " << k;
    }
  }
}

TEST(TrueScoreTest, LeavesTheLastTargetForTheRootFunction) {
  (void)equate(THREE_NEW, THREE_OLD);
  double f = 0.0, df = 0.0;
  tcc_residual(0.0, &f, &df);
  EXPECT_NEAR(f, 2.0 - 1.809562, 5e-7);
  EXPECT_NEAR(df, -0.887505, 5e-7);
}

// The new form of the search below, read by its root function.
const Form* searched_form = nullptr;
double searched_score = 0.0;

// The expected score and its slope from the two separate sums.
void separate_sums_residual(double theta, double* f, double* df) {
  const Form& form = *searched_form;
  const auto n = static_cast<std::int32_t>(form.a.size());
  const auto args = [&](auto sum) {
    return sum(theta, one_based(form.a), one_based(form.b), one_based(form.c), n, one_based(ZERO),
               one_based(ONE));
  };
  *f = searched_score - args(expected_score);
  *df = -args(expected_score_slope);
}

TEST(TrueScoreTest, EveryThetaIsItsOwnSearchFromTheBracket) {
  Form forty;  // a spread of ordinary items
  for (int i = 0; i < 40; ++i) {
    forty.a.push_back(0.6 + 0.03 * (i % 29));
    forty.b.push_back(-2.0 + 0.1 * ((i * 7) % 41));
    forty.c.push_back(0.1 + 0.005 * (i % 31));
  }
  // Each equating must start from its own form, never from what an earlier
  // one left behind.
  const std::vector<std::pair<const char*, const Form*>> runs = {{"forty items", &forty},
                                                                 {"four items", &FOUR_NEW},
                                                                 {"forty items again", &forty},
                                                                 {"three items", &THREE_NEW}};
  for (const auto& [name, form] : runs) {
    const Result r = equate(*form, THREE_OLD);
    searched_form = form;
    for (std::size_t k = 0; k < r.theta.size(); ++k) {
      if (r.theta[k] == -THETA_LIMIT || r.theta[k] == THETA_LIMIT) continue;
      searched_score = static_cast<double>(k);
      const double theta = rtsafe(separate_sums_residual, -THETA_LIMIT, THETA_LIMIT, 0.0001);
      EXPECT_EQ(r.theta[k], theta) << name << ", raw " << k;
      EXPECT_EQ(r.equated[k],
                expected_score(theta, one_based(THREE_OLD.a), one_based(THREE_OLD.b),
                               one_based(THREE_OLD.c), 3, one_based(ZERO), one_based(ONE)))
          << name << ", raw " << k;
    }
  }
}

TEST(TrueScoreDeathTest, AnUnbracketedScoreEndsTheProcess) {
  // Two rising and two falling items: the expected score is 2 at both ends of the
  // bracket, so raw score 3 has no root.
  const Form rising_and_falling = {{1, 1, -1, -1}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  EXPECT_EXIT(equate(rising_and_falling, THREE_OLD), testing::ExitedWithCode(1),
              "Root must be bracketed in rtsafe");
}

}  // namespace
