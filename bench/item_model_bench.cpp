// Benchmarks of the item model, the true-score root function and one root search
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "irt/deterministic_exp.h"
#include "irt/item_model.h"
#include "irt/root_finder.h"
#include "synthetic_forms.h"
#include "irt/true_score.h"

namespace {

using namespace zol;

// Thetas across the usual range, so that no one exponent dominates.
constexpr std::array<double, 8> THETAS = {-2.63, -1.71, -0.92, -0.27, 0.31, 0.88, 1.64, 2.49};

double theta_for(std::int64_t iteration) {
  return THETAS[static_cast<std::size_t>(iteration) % THETAS.size()];
}

// Per-item figures: items per second, and its inverse as the time per item.
void count_items(benchmark::State& state, std::int64_t items_per_iteration) {
  state.SetItemsProcessed(state.iterations() * items_per_iteration);
  state.counters["time_per_item"] = benchmark::Counter(
      static_cast<double>(items_per_iteration),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The exponential on the exponents of a 2,000-item form at one theta:
// the C library's, ours one at a time, and ours four at a time.
std::vector<double> item_exponents() {
  const SyntheticForm form = synthetic_form(2000, 1);
  std::vector<double> x;
  for (std::size_t i = 0; i < form.a.size(); ++i) x.push_back(1.7 * form.a[i] * (form.b[i] - 0.31));
  return x;
}

void BM_LibraryExp(benchmark::State& state) {
  const std::vector<double> x = item_exponents();
  for (auto _ : state) {
    for (double v : x) benchmark::DoNotOptimize(std::exp(v));
  }
  count_items(state, static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_LibraryExp);

void BM_DeterministicExp(benchmark::State& state) {
  const std::vector<double> x = item_exponents();
  for (auto _ : state) {
    for (double v : x) benchmark::DoNotOptimize(deterministic_exp(v));
  }
  count_items(state, static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_DeterministicExp);

void BM_DeterministicExpBatch(benchmark::State& state) {
  const std::vector<double> x = item_exponents();
  std::vector<double> y(x.size());
  for (auto _ : state) {
    deterministic_exp_batch(x, y);
    benchmark::DoNotOptimize(y.data());
  }
  count_items(state, static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_DeterministicExpBatch);

void BM_Prob3pl(benchmark::State& state) {
  const SyntheticForm form = synthetic_form(2000, 1);
  std::int64_t iteration = 0;
  for (auto _ : state) {
    const double theta = theta_for(iteration++);
    for (std::size_t i = 0; i < form.a.size(); ++i) {
      benchmark::DoNotOptimize(prob_3pl(theta, form.a[i], form.b[i], form.c[i]));
    }
  }
  count_items(state, form.count());
}
BENCHMARK(BM_Prob3pl);

template <auto SUM>
void BM_FormSum(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const SyntheticForm s = synthetic_form(n, 1);
  std::int64_t iteration = 0;
  for (auto _ : state) benchmark::DoNotOptimize(SUM(theta_for(iteration++), s.form()));
  count_items(state, n);
}
BENCHMARK(BM_FormSum<expected_score>)->Name("BM_ExpectedScore")->Arg(40)->Arg(200)->Arg(2000);
BENCHMARK(BM_FormSum<expected_score_slope>)
    ->Name("BM_ExpectedScoreSlope")
    ->Arg(40)
    ->Arg(200)
    ->Arg(2000);

// The true-score root function: expected score and slope of every item at one theta.
void BM_ItemEvaluation(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const SyntheticForm s = synthetic_form(n, 1);
  std::int64_t iteration = 0;
  for (auto _ : state) {
    const ScoreAndSlope value = expected_score_and_slope(theta_for(iteration++), s.form());
    benchmark::DoNotOptimize(value.score);
    benchmark::DoNotOptimize(value.slope);
  }
  count_items(state, n);
}
BENCHMARK(BM_ItemEvaluation)->Arg(40)->Arg(200)->Arg(2000);

// One search of rtsafe on the bracket of the true-score equating, for the
// theta at which a form's expected score is half its items.
void BM_RtsafeSearch(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const SyntheticForm s = synthetic_form(n, 1);
  const FormView form = s.form();
  const double target = 0.5 * n;
  std::int64_t calls = 0;
  const auto residual = [&](double theta) {
    ++calls;
    const ScoreAndSlope value = expected_score_and_slope(theta, form);
    return RootValue{target - value.score, -value.slope};
  };
  for (auto _ : state) {
    benchmark::DoNotOptimize(rtsafe(residual, -THETA_LIMIT, THETA_LIMIT, THETA_TOLERANCE));
  }
  state.counters["calls_per_search"] =
      static_cast<double>(calls) / static_cast<double>(state.iterations());
  count_items(state, calls / state.iterations() * n);
}
BENCHMARK(BM_RtsafeSearch)->Arg(40)->Arg(200)->Arg(2000);

}  // namespace
