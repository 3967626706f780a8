// Tests of the number-correct recursion and the fitted observed-score distribution
#include "observed_score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "allocation.h"
#include "item_model.h"
#include "observed/example_forms.h"

namespace {

constexpr double TABLE_TOLERANCE = 1e-6;  // the tables give six decimals

std::vector<double> conditional(const ExampleForm& form, double theta) {
  std::vector<double> work(form.a.size() + 1);
  EXPECT_EQ(conditional_number_correct(theta, one_based(form.a), one_based(form.b),
                                       one_based(form.c), form.count(), work),
            0);
  return work;
}

// Number-correct arguments on the grid 0..n; each case changes what it tests.
struct FitCall {
  ExampleForm form = new_example_form();
  std::vector<double> points = EXAMPLE_POINTS, weights = EXAMPLE_WEIGHTS;
  std::int32_t n_points = 3;
  double lowest = 0.0, highest = 3.0, increment = 1.0;
  std::vector<double> correct, incorrect;  // empty: absent
  std::size_t distribution_size = 4;
  std::vector<double> distribution;

  Status run() {
    distribution.assign(distribution_size, -1.0);
    auto view = [](const std::vector<double>& v) {
      return v.empty() ? OneBasedView{} : one_based(v);
    };
    return observed_score_distribution(one_based(form.a), one_based(form.b), one_based(form.c),
                                       form.count(), distribution, view(points), view(weights),
                                       n_points, lowest, highest, increment, view(correct),
                                       view(incorrect));
  }
};

TEST(ObservedScoreTest, ConditionalDistributionsMatchTable) {
  const struct {
    double theta;
    std::vector<double> expected;
  } rows[] = {{-1.0, {0.248244, 0.456963, 0.251756, 0.043037}},
              {0.0, {0.047890, 0.292230, 0.462307, 0.197572}},
              {1.0, {0.001251, 0.034249, 0.276926, 0.687574}}};
  for (const auto& row : rows) {
    const auto work = conditional(new_example_form(), row.theta);
    for (std::size_t x = 0; x < 4; ++x)
      EXPECT_NEAR(work[x], row.expected[x], TABLE_TOLERANCE) << "theta " << row.theta << " x " << x;
  }
}

TEST(ObservedScoreTest, OneItemGivesItsTwoResponseProbabilities) {
  // At theta = b the item answers correctly with c + (1 - c) / 2 = 0.6.
  const ExampleForm item{{1.0}, {0.0}, {0.2}};
  const auto work = conditional(item, 0.0);
  EXPECT_DOUBLE_EQ(work[0], 0.4);
  EXPECT_DOUBLE_EQ(work[1], 0.6);
}

TEST(ObservedScoreTest, FittedDistributionKeepsTheWeightsTotal) {
  const struct {
    std::string name;
    std::vector<double> weights;
    std::vector<double> expected;  // empty: only the total is published
    double total;
  } cases[] = {
      {"weights total 1", {0.25, 0.5, 0.25}, {0.086319, 0.268918, 0.363324, 0.281439}, 1.0},
      {"weights total 0.95", {0.2, 0.5, 0.25}, {}, 0.95},
      {"weights total 1.1", {0.3, 0.5, 0.3}, {}, 1.1}};
  for (const auto& tc : cases) {
    FitCall call;
    call.weights = tc.weights;
    ASSERT_EQ(call.run(), 0) << tc.name;
    for (std::size_t x = 0; x < tc.expected.size(); ++x)
      EXPECT_NEAR(call.distribution[x], tc.expected[x], TABLE_TOLERANCE) << tc.name << " x " << x;
    double running = 0.0;
    for (double f : call.distribution) {
      EXPECT_GE(f, 0.0) << tc.name << ": the cumulative would fall";
      running += f;
    }
    EXPECT_NEAR(running, tc.total, 1e-12) << tc.name;
  }
}

TEST(ObservedScoreTest, DispatchedRecursionMatchesPlainLoopBitForBit) {
  for (std::int32_t n : {1, 2, 3, 17, 1000}) {
    ExampleForm form;
    for (std::int32_t i = 0; i < n; ++i) {
      form.a.push_back(0.5 + 0.013 * (i % 97));
      form.b.push_back(-2.5 + 0.041 * (i % 123));
      form.c.push_back(0.002 * (i % 101));
    }
    for (double theta : {-2.2, -0.3, 0.0, 1.7}) {
      std::vector<double> plain(n + 1);
      double p = prob_3pl(theta, form.a[0], form.b[0], form.c[0]);
      plain[0] = 1.0 - p;
      plain[1] = p;
      for (std::int32_t i = 2; i <= n; ++i) {
        p = prob_3pl(theta, form.a[i - 1], form.b[i - 1], form.c[i - 1]);
        const double q = 1.0 - p;
        plain[i] = p * plain[i - 1];
        for (std::int32_t x = i - 1; x >= 1; --x) plain[x] = p * plain[x - 1] + q * plain[x];
        plain[0] = q * plain[0];
      }
      // Every start alignment of the work vector takes another path through the kernel.
      for (std::size_t offset = 0; offset < 4; ++offset) {
        std::vector<double> storage(n + 1 + offset);
        std::span<double> work(storage.data() + offset, n + 1);
        ASSERT_EQ(conditional_number_correct(theta, one_based(form.a), one_based(form.b),
                                             one_based(form.c), n, work),
                  0);
        for (std::int32_t x = 0; x <= n; ++x)
          ASSERT_EQ(work[x], plain[x]) << "n " << n << " theta " << theta << " x " << x;
      }
    }
  }
}

TEST(ObservedScoreTest, RefusesUnusableArguments) {
  const struct {
    std::string name;
    void (*change)(FitCall&);
  } cases[] = {
      {"weights as frequencies",
       [](FitCall& f) {
         f.weights = {25.0, 50.0, 25.0};
       }},
      {"no quadrature points", [](FitCall& f) { f.n_points = 0; }},
      {"weight total not a number", [](FitCall& f) { f.weights[1] = std::nan(""); }},
      {"only correct scores",
       [](FitCall& f) {
         f.correct = {1.0, 1.0, 1.0};
       }},
      {"only incorrect scores",
       [](FitCall& f) {
         f.incorrect = {0.0, 0.0, 0.0};
       }},
      {"zero increment", [](FitCall& f) { f.increment = 0.0; }},
      {"negative increment", [](FitCall& f) { f.increment = -1.0; }},
      {"increment not a number", [](FitCall& f) { f.increment = std::nan(""); }},
      {"grid one point short", [](FitCall& f) { f.highest = 2.0; }},
      {"grid one point long",
       [](FitCall& f) {
         f.highest = 4.0;
         f.distribution_size = 5;
       }},
      {"distribution shorter than grid", [](FitCall& f) { f.distribution_size = 3; }},
      {"fewer weights than points", [](FitCall& f) { f.weights.pop_back(); }},
      {"item scores off the grid",
       [](FitCall& f) {
         f.correct = {1.0, 1.0, 1.5};
         f.incorrect = {0.0, 0.0, 0.0};
       }},
  };
  for (const auto& tc : cases) {
    FitCall call;
    tc.change(call);
    EXPECT_NE(call.run(), 0) << tc.name;
  }
  FitCall call;
  fail_allocation_after(1);
  EXPECT_NE(call.run(), 0) << "work vector not allocated";
  fail_allocation_after(0);
}

TEST(ObservedScoreTest, OneDeviatingItemSwitchesTheWholeFormToItemScores) {
  FitCall call;
  call.highest = 4.0;
  call.distribution_size = 5;
  call.correct = {2.0, 1.0, 1.0};
  call.incorrect = {0.0, 0.0, 0.0};
  ASSERT_EQ(call.run(), 0);
  EXPECT_NEAR(std::accumulate(call.distribution.begin(), call.distribution.end(), 0.0), 1.0, 1e-12);

  call.correct = {2.0, 2.0, 2.0};
  call.highest = 6.0;
  call.distribution_size = 7;
  ASSERT_EQ(call.run(), 0);
  for (std::size_t x = 1; x < 7; x += 2) EXPECT_EQ(call.distribution[x], 0.0) << "odd total " << x;
}

}  // namespace
