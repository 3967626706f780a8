// Benchmarks of the item model, the true-score root function and one root search
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "deterministic_exp.h"
#include "item_model.h"
#include "root_finder.h"
#include "synthetic_forms.h"
#include "true_score.h"

namespace {

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

struct ScoredForm {
  SyntheticForm form;
  std::vector<double> incorrect, correct;

  explicit ScoredForm(std::int32_t n)
      : form(synthetic_form(n, 1)),
        incorrect(static_cast<std::size_t>(n), 0.0),
        correct(static_cast<std::size_t>(n), 1.0) {}
};

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
  const ScoredForm s(n);
  std::int64_t iteration = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SUM(theta_for(iteration++), s.form.a_view(), s.form.b_view(),
                                 s.form.c_view(), n, one_based(s.incorrect), one_based(s.correct)));
  }
  count_items(state, n);
}
BENCHMARK(BM_FormSum<expected_score>)->Name("BM_ExpectedScore")->Arg(40)->Arg(200)->Arg(2000);
BENCHMARK(BM_FormSum<expected_score_slope>)
    ->Name("BM_ExpectedScoreSlope")
    ->Arg(40)
    ->Arg(200)
    ->Arg(2000);

// The true-score root function: expected score and slope of every item at one
// theta. A call of true_score_equate with no raw scores installs the form.
void BM_ItemEvaluation(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const ScoredForm s(n);
  std::vector<double> none(1);
  double chance = 0.0;
  if (true_score_equate(s.form.a_view(), s.form.b_view(), s.form.c_view(), s.form.a_view(),
                        s.form.b_view(), s.form.c_view(), n, n, 0, none, one_based(s.correct),
                        one_based(s.correct), one_based(s.incorrect), one_based(s.incorrect), none,
                        none, &chance) != 0) {
    state.SkipWithError("true_score_equate failed");
    return;
  }
  std::int64_t iteration = 0;
  for (auto _ : state) {
    double f = 0.0, df = 0.0;
    tcc_residual(theta_for(iteration++), &f, &df);
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(df);
  }
  count_items(state, n);
}
BENCHMARK(BM_ItemEvaluation)->Arg(40)->Arg(200)->Arg(2000);

// One search of rtsafe on the bracket of the true-score equating, for the
// theta at which a form's expected score is half its items.
struct SearchState {
  const ScoredForm* form = nullptr;
  double target = 0.0;
  std::int64_t calls = 0;
};
SearchState search;

void half_score_residual(double theta, double* f, double* df) {
  const ScoredForm& s = *search.form;
  double score = 0.0, slope = 0.0;
  expected_score_and_slope(theta, s.form.a_view(), s.form.b_view(), s.form.c_view(), s.form.count(),
                           one_based(s.incorrect), one_based(s.correct), &score, &slope);
  *f = search.target - score;
  *df = -slope;
  ++search.calls;
}

void BM_RtsafeSearch(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const ScoredForm s(n);
  search = SearchState{&s, 0.5 * n, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(rtsafe(half_score_residual, -THETA_LIMIT, THETA_LIMIT, 0.0001));
  }
  state.counters["calls_per_search"] =
      static_cast<double>(search.calls) / static_cast<double>(state.iterations());
  count_items(state, search.calls / state.iterations() * n);
}
BENCHMARK(BM_RtsafeSearch)->Arg(40)->Arg(200)->Arg(2000);

}  // namespace
