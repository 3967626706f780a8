// Benchmarks of true-score equating, from typical forms to item banks
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "synthetic_forms.h"
#include "irt/true_score.h"

namespace {

// Both forms of n items. Counters: raw scores per second, and score-items
// per second (one raw score's worth of work per item of the new form), which
// stays level across n while the cost per search does.
void BM_TrueScoreEquate(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto count = static_cast<std::size_t>(n) + 1;
  const SyntheticForm new_form = synthetic_form(n, 1), old_form = synthetic_form(n, 2);
  std::vector<double> raw(count), equated(count), theta(count);
  for (std::size_t k = 0; k < count; ++k) raw[k] = static_cast<double>(k);
  zol::TrueScoreTable table{0.0, equated, theta};
  for (auto _ : state) {
    if (zol::true_score_equate(new_form.form(), old_form.form(), raw, table) !=
        zol::RootStop::NONE) {
      state.SkipWithError("a search could not go on");
      break;
    }
    benchmark::DoNotOptimize(equated.data());
  }
  state.counters["scores"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["score_items"] = benchmark::Counter(static_cast<double>(count) * n,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TrueScoreEquate)
    ->Arg(40)
    ->Arg(200)
    ->Arg(2000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
