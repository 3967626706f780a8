// Benchmarks of the Lord-Wingersky recursion, fitted distributions and equipercentile equating
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "observed/equipercentile.h"
#include "observed/observed_score.h"
#include "synthetic_forms.h"

namespace {

using namespace zol;

// Multiply-adds of one conditional distribution of n items: item i (from 2)
// updates the i - 1 inner scores by work[x] = P * work[x - 1] + Q * work[x],
// two multiply-adds each (two multiplications and their sum, counted as two),
// n (n - 1) in all. The two end scores and the item probabilities are
// extra work that is not counted.
double multiply_adds(std::int64_t n) {
  return static_cast<double>(n) * static_cast<double>(n - 1);
}

void count_multiply_adds(benchmark::State& state, double per_iteration) {
  state.counters["multiply_adds"] =
      benchmark::Counter(per_iteration, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["updates"] =
      benchmark::Counter(0.5 * per_iteration, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ConditionalNumberCorrect(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const SyntheticForm form = synthetic_form(n, 1);
  std::vector<double> work(static_cast<std::size_t>(n) + 1);
  double theta = 0.25;
  for (auto _ : state) {
    const bool computed = conditional_distribution(theta, form.form(), work);
    benchmark::DoNotOptimize(computed);
    benchmark::DoNotOptimize(work.data());
    theta = -theta;
  }
  count_multiply_adds(state, multiply_adds(n));
}
BENCHMARK(BM_ConditionalNumberCorrect)->Arg(40)->Arg(200)->Arg(2000)->Arg(10000);

// One form's fitted distribution over K quadrature points: args n, K.
void BM_ObservedScoreDistribution(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto k = static_cast<std::int32_t>(state.range(1));
  const SyntheticForm form = synthetic_form(n, 1);
  const Quadrature q = synthetic_quadrature(k);
  std::vector<double> distribution(static_cast<std::size_t>(n) + 1);
  for (auto _ : state) {
    if (observed_score_distribution(form.form(), q,
                                    distribution) != DistributionStatus::OK) {
      state.SkipWithError("observed_score_distribution failed");
      return;
    }
    benchmark::DoNotOptimize(distribution.data());
  }
  count_multiply_adds(state, multiply_adds(n) * k);
}
BENCHMARK(BM_ObservedScoreDistribution)
    ->ArgsProduct({{40, 200, 2000, 10000}, {41, 201}})
    ->Unit(benchmark::kMillisecond);

// Equipercentile equating of two fitted distributions of n items each. The
// search for each new-form score starts again from score 0, so the cost grows
// as n squared; counters: new-form scores, and score pairs (count squared).
void BM_EquipercentileEquate(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto count = static_cast<std::size_t>(n) + 1;
  const Quadrature q = synthetic_quadrature(41);
  std::vector<double> cumulative[2];
  for (int form_index = 0; form_index < 2; ++form_index) {
    const SyntheticForm form = synthetic_form(n, 1 + static_cast<std::uint64_t>(form_index));
    std::vector<double>& f = cumulative[form_index];
    f.assign(count, 0.0);
    if (observed_score_distribution(form.form(), q, f) !=
        DistributionStatus::OK) {
      state.SkipWithError("observed_score_distribution failed");
      return;
    }
    for (std::size_t x = 1; x < count; ++x) f[x] += f[x - 1];
  }
  std::vector<double> equated(count);
  for (auto _ : state) {
    equipercentile_equate(cumulative[0], cumulative[1], 0.0, 1.0, equated);
    benchmark::DoNotOptimize(equated.data());
  }
  state.counters["scores"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["score_pairs"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(count),
                         benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EquipercentileEquate)->Arg(40)->Arg(200)->Arg(2000)->Arg(10000);

}  // namespace
