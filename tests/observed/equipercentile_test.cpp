// Tests of equipercentile equating
#include "equipercentile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "observed/example_forms.h"
#include "observed_score.h"

namespace {

std::vector<double> equate(const std::vector<double>& f, const std::vector<double>& g,
                           double lowest = 0.0, double increment = 1.0) {
  std::vector<double> e(f.size(), -99.0);
  equipercentile_equate(static_cast<std::int32_t>(f.size()), static_cast<std::int32_t>(g.size()),
                        lowest, increment, f, g, e);
  return e;
}

std::vector<double> fitted_cumulative(const ExampleForm& form) {
  std::vector<double> f(form.a.size() + 1);
  EXPECT_EQ(observed_score_distribution(one_based(form.a), one_based(form.b), one_based(form.c),
                                        form.count(), f, one_based(EXAMPLE_POINTS),
                                        one_based(EXAMPLE_WEIGHTS), 3, 0.0, form.count(), 1.0,
                                        OneBasedView{}, OneBasedView{}),
            0);
  for (std::size_t x = 1; x < f.size(); ++x) f[x] += f[x - 1];
  return f;
}

TEST(EquipercentileTest, ExampleFormsMatchTable) {
  const std::vector<double> f_table = {0.086319, 0.355237, 0.718561, 1.000000};
  const std::vector<double> g_table = {0.096248, 0.332307, 0.631820, 0.884950, 1.000000};
  const std::vector<double> e_table = {-0.051581, 1.027538, 2.183082, 3.398593};
  const auto f = fitted_cumulative(new_example_form());
  const auto g = fitted_cumulative(old_example_form());
  for (std::size_t x = 0; x < f.size(); ++x) EXPECT_NEAR(f[x], f_table[x], 1e-6) << "F " << x;
  for (std::size_t x = 0; x < g.size(); ++x) EXPECT_NEAR(g[x], g_table[x], 1e-6) << "G " << x;
  const auto e = equate(f, g);
  for (std::size_t x = 0; x < e.size(); ++x) EXPECT_NEAR(e[x], e_table[x], 1e-6) << "e " << x;
}

TEST(EquipercentileTest, HandWorkedCases) {
  const struct {
    std::string name;
    std::vector<double> f, g, expected;
    double lowest, increment;
  } cases[] = {
      {"rank equal to a cumulative moves on", {0.5, 1.0}, {0.25, 0.5, 1.0}, {0.5, 2.0}, 0, 1},
      {"zero-probability old score passed over", {0.25, 1.0}, {0.5, 0.5, 1.0}, {-0.25, 1.75}, 0, 1},
      {"no cumulative above the rank", {1.0}, {0.25, 0.5}, {1.5}, 0, 1},
      {"flat top of the old form", {1.0}, {0.25, 0.25}, {0.5}, 0, 1},
      {"old form of no items", {0.25, 1.0}, {0.5}, {-0.25, 0.75}, 0, 1},
      {"old form without probability", {1.0}, {0.0}, {-0.5}, 0, 1},
      {"scale of lowest 10 and step 2", {0.5, 1.0}, {0.25, 0.5, 1.0}, {11.0, 14.0}, 10, 2},
  };
  for (const auto& tc : cases) {
    const auto e = equate(tc.f, tc.g, tc.lowest, tc.increment);
    for (std::size_t x = 0; x < e.size(); ++x)
      EXPECT_EQ(e[x], tc.expected[x]) << tc.name << " " << x;
  }
}

TEST(EquipercentileTest, IdenticalDistributionsEquateToTheIdentity) {
  const auto f = fitted_cumulative(old_example_form());
  const auto e = equate(f, f);
  for (std::size_t x = 0; x < e.size(); ++x) EXPECT_NEAR(e[x], static_cast<double>(x), 1e-12) << x;
}

TEST(EquipercentileTest, EquatedScoresNeverFall) {
  const auto e =
      equate(fitted_cumulative(old_example_form()), fitted_cumulative(new_example_form()));
  for (std::size_t x = 1; x < e.size(); ++x) EXPECT_LE(e[x - 1], e[x]) << x;
}

TEST(EquipercentileTest, WritesNothingWithoutRoomOrScores) {
  const std::vector<double> f = {0.5, 1.0}, g = {0.5, 1.0};
  std::vector<double> e = {-99.0, -99.0};
  equipercentile_equate(0, 2, 0.0, 1.0, f, g, e);
  equipercentile_equate(2, 0, 0.0, 1.0, f, g, e);
  equipercentile_equate(3, 2, 0.0, 1.0, f, g, e);
  equipercentile_equate(2, 3, 0.0, 1.0, f, g, e);
  EXPECT_EQ(e, (std::vector<double>{-99.0, -99.0}));
}

}  // namespace
