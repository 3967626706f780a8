// Benchmark of two groups: the synthetic population and a symmetric criterion against one group
#include <benchmark/benchmark.h>

#include "synthetic_forms.h"
#include "zol/zol.h"

namespace {

using namespace zol;

// Forms of 2,000 items each, 300 of them common, carried to the new scale
// with a little noise; both groups at 201 points.
Input two_forms(bool two_groups) {
  return common_item_forms(2000, 300, 0.02, 201, two_groups);
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
