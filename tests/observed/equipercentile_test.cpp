// Tests of equipercentile equating
#include "equipercentile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "observed/example_forms.h"
#include "observed_score.h"

namespace {

using Cumulative = std::vector<double>;

Cumulative equate(const Cumulative& f, const Cumulative& g, double lowest = 0, double step = 1) {
  Cumulative e(f.size(), -99.0);
  equipercentile_equate(static_cast<std::int32_t>(f.size()), static_cast<std::int32_t>(g.size()),
                        lowest, step, f, g, e);
  return e;
}

Cumulative fitted_cumulative(const ExampleForm& form) {
  Cumulative f(form.a.size() + 1);
  EXPECT_EQ(observed_score_distribution(one_based(form.a), one_based(form.b), one_based(form.c),
                                        form.count(), f, one_based(EXAMPLE_POINTS),
                                        one_based(EXAMPLE_WEIGHTS), 3, 0.0, form.count(), 1.0,
                                        OneBasedView{}, OneBasedView{}),
            0);
  for (std::size_t x = 1; x < f.size(); ++x) f[x] += f[x - 1];
  return f;
}

void expect_near(const Cumulative& actual, const Cumulative& expected, const std::string& name) {
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (std::size_t x = 0; x < actual.size(); ++x)
    EXPECT_NEAR(actual[x], expected[x], 1e-6) << name << " " << x;
}

TEST(EquipercentileTest, ExampleFormsMatchTable) {
  const auto f = fitted_cumulative(new_example_form());
  const auto g = fitted_cumulative(old_example_form());
  expect_near(f, {0.086319, 0.355237, 0.718561, 1.000000}, "F");
  expect_near(g, {0.096248, 0.332307, 0.631820, 0.884950, 1.000000}, "G");
  expect_near(equate(f, g), {-0.051581, 1.027538, 2.183082, 3.398593}, "e");
}

TEST(EquipercentileTest, HandWorkedCases) {
  const struct {
    std::string name;
    Cumulative f, g, expected;
    double lowest = 0, step = 1;
  } cases[] = {
      {"rank equal to a cumulative moves on", {0.5, 1}, {0.25, 0.25, 0.75, 1}, {1.5, 2.5}},
      {"zero-probability score passed over", {0.25, 1}, {0.5, 0.5, 1}, {-0.25, 1.75}},
      {"no cumulative above the rank", {1}, {0.25, 0.5}, {1.5}},
      {"flat top of the old form", {1}, {0.25, 0.25}, {0.5}},
      {"old form of no items", {0.25, 1}, {0.5}, {-0.25, 0.75}},
      {"old form without probability", {1}, {0}, {-0.5}},
      {"scale of lowest 10 and step 2", {0.5, 1}, {0.25, 0.5, 1}, {11, 14}, 10, 2},
  };
  for (const auto& tc : cases)
    EXPECT_EQ(equate(tc.f, tc.g, tc.lowest, tc.step), tc.expected) << tc.name;
}

TEST(EquipercentileTest, Invariants) {
  const auto f = fitted_cumulative(new_example_form());
  const auto g = fitted_cumulative(old_example_form());
  const auto identity = equate(g, g);
  for (std::size_t x = 0; x < g.size(); ++x) EXPECT_NEAR(identity[x], x, 1e-12) << "identity " << x;
  const auto e = equate(g, f);
  for (std::size_t x = 1; x < e.size(); ++x) EXPECT_LE(e[x - 1], e[x]) << "falls at " << x;
}

TEST(EquipercentileTest, WritesNothingWithoutScoresOrRoom) {
  const Cumulative f = {0.5, 1}, g = {0.5, 1};
  Cumulative e = {-99, -99};
  for (auto [count_new, count_old] : {std::pair{0, 2}, {2, 0}, {3, 2}, {2, 3}})
    equipercentile_equate(count_new, count_old, 0, 1, f, g, e);
  EXPECT_EQ(e, (Cumulative{-99, -99}));
}

}  // namespace
