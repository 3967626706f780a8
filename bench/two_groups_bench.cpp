// Benchmark of two groups: the synthetic population and a symmetric criterion against one group
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "synthetic_forms.h"
#include "zol/zol.h"

namespace {

using namespace zol;

// Forms of 2,000 items each, 300 of them common: the old form's first 300
// items, carried to a new scale theta_new = (theta_old + 0.4) / 1.15 with a
// little noise; every other item of its own. Both groups at 201 points, the
// old group's as synthetic_quadrature gives them, the new group's the same
// weights at points shifted by 0.3 on its scale.
Input two_forms(bool two_groups) {
  constexpr std::int32_t ITEMS = 2000;
  constexpr std::size_t COMMON = 300;
  constexpr double A = 1.15, B = -0.4;
  const SyntheticForm old_items = synthetic_form(ITEMS, 2), new_items = synthetic_form(ITEMS, 1);
  Input input;
  input.name = "two groups";
  for (std::size_t i = 0; i < static_cast<std::size_t>(ITEMS); ++i) {
    char label[16];
    std::snprintf(label, sizeof label, i < COMMON ? "C%04zu" : "O%04zu", i);
    input.old_form.items.emplace_back(label, old_items.a[i], old_items.b[i], old_items.c[i]);
    if (i < COMMON) {
      const double noise = 0.02 * std::cos(static_cast<double>(i));
      input.new_form.items.emplace_back(label, old_items.a[i] * A + noise,
                                        (old_items.b[i] - B) / A + noise, old_items.c[i]);
    } else {
      std::snprintf(label, sizeof label, "N%04zu", i);
      input.new_form.items.emplace_back(label, new_items.a[i], new_items.b[i], new_items.c[i]);
    }
  }
  input.theta = synthetic_quadrature(201);
  if (two_groups) {
    input.old_theta = input.theta;
    for (double& point : input.theta->points) point += 0.3;
  }
  return input;
}

// Arg: 1 for two groups with a symmetric criterion, 0 for one group and the
// criterion one way. The whole equating is timed.
void BM_TwoGroups(benchmark::State& state) {
  const bool two_groups = state.range(0) == 1;
  const Input input = two_forms(two_groups);
  Options options;
  options.link = LinkMethod::HAEBARA;
  options.symmetric = two_groups;
  for (auto _ : state) {
    const Expected<Results> results = equate(input, options);
    if (!results) {
      state.SkipWithError(results.error().explanation.c_str());
      break;
    }
    benchmark::DoNotOptimize(results->observed_score->equated.data());
  }
  state.SetLabel(two_groups ? "two groups, symmetric Haebara" : "one group, Haebara");
}
BENCHMARK(BM_TwoGroups)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
