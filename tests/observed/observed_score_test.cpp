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

OneBasedView view(const std::vector<double>& v) {
  return v.empty() ? OneBasedView{} : one_based(v);
}

// The example form on the number-correct grid 0..3; each case changes a field.
struct Fit {
  ExampleForm form = new_example_form();
  std::vector<double> points = EXAMPLE_POINTS, weights = EXAMPLE_WEIGHTS, correct, incorrect;
  std::int32_t k = 3;
  double highest = 3.0, increment = 1.0;
  std::vector<double> f = std::vector<double>(4);

  Status run() {
    return observed_score_distribution(view(form.a), view(form.b), view(form.c), form.count(), f,
                                       view(points), view(weights), k, 0.0, highest, increment,
                                       view(correct), view(incorrect));
  }
};

TEST(ObservedScoreTest, ConditionalDistributionsMatchTable) {
  const std::vector<std::vector<double>> rows = {{-1, 0.248244, 0.456963, 0.251756, 0.043037},
                                                 {0, 0.047890, 0.292230, 0.462307, 0.197572},
                                                 {1, 0.001251, 0.034249, 0.276926, 0.687574}};
  const ExampleForm form = new_example_form();
  for (const auto& row : rows) {
    std::vector<double> work(4);
    ASSERT_EQ(conditional_number_correct(row[0], view(form.a), view(form.b), view(form.c), 3, work),
              0);
    for (std::size_t x = 0; x < 4; ++x)
      EXPECT_NEAR(work[x], row[x + 1], 1e-6) << "theta " << row[0] << " score " << x;
  }
}

TEST(ObservedScoreTest, FittedDistributionKeepsTheWeightsTotal) {
  const std::vector<double> published = {0.086319, 0.268918, 0.363324, 0.281439};
  for (const std::vector<double>& weights : {EXAMPLE_WEIGHTS, {0.2, 0.5, 0.25}, {0.3, 0.5, 0.3}}) {
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    Fit fit;
    fit.weights = weights;
    ASSERT_EQ(fit.run(), 0) << "weights total " << total;
    double cumulative = 0.0;
    for (std::size_t x = 0; x < 4; ++x) {
      if (total == 1.0) {
        EXPECT_NEAR(fit.f[x], published[x], 1e-6) << x;
      }
      EXPECT_GE(fit.f[x], 0.0) << "weights total " << total << ": the cumulative falls at " << x;
      cumulative += fit.f[x];
    }
    EXPECT_NEAR(cumulative, total, 1e-12) << "the distribution is not rescaled";
  }
}

TEST(ObservedScoreTest, DispatchedRecursionMatchesPlainLoopBitForBit) {
  // Every length of the last vector blocks, and the edges of the batches of
  // item probabilities.
  for (std::int32_t n : {1, 2, 3, 4, 5, 6, 9, 10, 13, 17, 18, 63, 64, 65, 129, 1000}) {
    ExampleForm form;
    for (std::int32_t i = 0; i < n; ++i) {
      form.a.push_back(0.5 + 0.013 * (i % 97));
      form.b.push_back(-2.5 + 0.041 * (i % 123));
      form.c.push_back(0.002 * (i % 101));
    }
    for (double theta : {-2.2, -0.3, 0.0, 1.7}) {
      std::vector<double> plain(n + 1);
      plain[0] = 1.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        const double p = prob_3pl(theta, form.a[i - 1], form.b[i - 1], form.c[i - 1]), q = 1 - p;
        plain[i] = p * plain[i - 1];
        for (std::int32_t x = i - 1; x >= 1; --x) plain[x] = p * plain[x - 1] + q * plain[x];
        plain[0] = q * plain[0];
      }
      // Each start alignment of the work vector takes another path through the kernel.
      for (std::size_t offset = 0; offset < 4; ++offset) {
        std::vector<double> storage(n + 1 + offset);
        const std::span<double> work(storage.data() + offset, n + 1);
        ASSERT_EQ(
            conditional_number_correct(theta, view(form.a), view(form.b), view(form.c), n, work),
            0);
        for (std::int32_t x = 0; x <= n; ++x)
          ASSERT_EQ(work[x], plain[x]) << "n " << n << " theta " << theta << " score " << x;
      }
    }
  }
}

TEST(ObservedScoreTest, RefusesUnusableArguments) {
  const std::vector<std::pair<std::string, void (*)(Fit&)>> cases = {
      {"weights as frequencies", [](Fit& f) { f.weights.assign(3, 100.0 / 3); }},
      {"no quadrature points", [](Fit& f) { f.k = 0; }},
      {"weight total not a number", [](Fit& f) { f.weights[1] = NAN; }},
      {"only correct scores", [](Fit& f) { f.correct.assign(3, 1.0); }},
      {"only incorrect scores", [](Fit& f) { f.incorrect.assign(3, 0.0); }},
      {"zero increment", [](Fit& f) { f.increment = 0; }},
      {"increment not a number", [](Fit& f) { f.increment = NAN; }},
      {"grid one point short", [](Fit& f) { f.highest = 2; }},
      {"grid one point long", [](Fit& f) { f.highest = 4, f.f.resize(5); }},
      {"distribution shorter than grid", [](Fit& f) { f.f.resize(3); }},
      {"item scores off the grid",
       [](Fit& f) { f.correct.assign(3, 1.5), f.incorrect.assign(3, 0); }},
  };
  for (const auto& [name, change] : cases) {
    Fit fit;
    change(fit);
    EXPECT_NE(fit.run(), 0) << name;
  }
  Fit fit;
  fail_allocation_after(1);
  EXPECT_NE(fit.run(), 0) << "work vector not allocated";
  fail_allocation_after(0);
}

TEST(ObservedScoreTest, OneDeviatingItemSwitchesTheFormToItemScores) {
  Fit fit;  // at theta 0 alone, with the scores 2, 1, 1 on the grid 0..4
  fit.points = {0.0}, fit.weights = {1.0}, fit.k = 1, fit.highest = 4, fit.f.resize(5);
  fit.correct = {2, 1, 1}, fit.incorrect = {0, 0, 0};
  ASSERT_EQ(fit.run(), 0);
  const std::vector<double> published = {0.047890, 0.220395, 0.203550, 0.330593, 0.197572};
  for (std::size_t x = 0; x < 5; ++x) EXPECT_NEAR(fit.f[x], published[x], 1e-6) << x;
}

}  // namespace
