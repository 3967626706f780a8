// Benchmarks of partial-credit items: category probabilities, and the recursion over categories
// next to the number-correct recursion of a 3PL form of the same top score
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "irt/category_model.h"
#include "common/cpu_features.h"
#include "irt/item_model.h"
#include "observed/category_recursion.h"
#include "observed/lord_wingersky.h"
#include "synthetic_forms.h"

namespace {

using namespace zol;

constexpr double D_NORMAL = 1.7;
constexpr std::int32_t CATEGORIES = 5;

// Five-category items on the synthetic forms' a and b: steps b - 1.2, b - 0.4,
// b + 0.4, b + 1.2 (increasing, so the same steps serve as GRM boundaries).
struct CategoryBank {
  std::vector<double> a;
  std::vector<double> steps;  // CATEGORIES - 1 per item

  CategoryItem item(std::size_t i, ItemModel model) const {
    return {model, a[i],
            std::span<const double>(steps).subspan(i * (CATEGORIES - 1), CATEGORIES - 1)};
  }
};

CategoryBank category_bank(std::int32_t n, std::uint64_t seed) {
  const SyntheticForm form = synthetic_form(n, seed);
  CategoryBank bank{form.a, {}};
  for (double b : form.b) {
    for (double offset : {-1.2, -0.4, 0.4, 1.2}) bank.steps.push_back(b + offset);
  }
  return bank;
}

// One item's probabilities of every category at one theta; items per second.
void BM_CategoryProbabilities(benchmark::State& state) {
  const auto model = static_cast<ItemModel>(state.range(0));
  const CategoryBank bank = category_bank(400, 3);
  double p[CATEGORIES];
  double theta = 0.31;
  for (auto _ : state) {
    for (std::size_t i = 0; i < bank.a.size(); ++i) {
      category_probabilities(theta, bank.item(i, model), D_NORMAL, p);
      benchmark::DoNotOptimize(p);
    }
    theta = -theta;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(bank.a.size()));
}
BENCHMARK(BM_CategoryProbabilities)
    ->Arg(static_cast<int>(ItemModel::GPCM))
    ->Arg(static_cast<int>(ItemModel::GRM));

// Multiply-adds, counted as the number-correct benchmarks count them: an item
// of K categories adds K products at each score of its new distribution, so a
// 3PL item costs 2 per score as there. A 3PL form of n items: n (n - 1).
double category_multiply_adds(std::int32_t first_top, std::int32_t items) {
  double total = 0.0;
  for (std::int32_t i = 0; i < items; ++i) {
    total += static_cast<double>(CATEGORIES) * (first_top + i * (CATEGORIES - 1) + CATEGORIES);
  }
  return total;
}

void count_multiply_adds(benchmark::State& state, double per_iteration) {
  state.counters["multiply_adds"] =
      benchmark::Counter(per_iteration, benchmark::Counter::kIsIterationInvariantRate);
}

// The number-correct distribution of the form's 3PL items at theta into
// work[0..n], as the observed-score stage builds it: the items'
// probabilities into p, then the recursion's dispatched path.
void number_correct(double theta, const SyntheticForm& form, std::span<double> p,
                    std::span<double> work) {
  for (std::size_t i = 0; i < form.a.size(); ++i) {
    p[i] = prob_3pl(theta, form.a[i], form.b[i], form.c[i]);
  }
  work[0] = 1.0 - p[0];
  work[1] = p[0];
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return lord_wingersky::avx2::add_items(work, 2, p.subspan(1));
#endif
  lord_wingersky::plain::add_items(work, 2, p.subspan(1));
}

using AddItem = void (*)(std::span<double>, std::int32_t, std::span<const double>);

// The 400 five-category items alone, added to the distribution of 1,600 3PL
// items (top score 1,600 to 3,200), with fixed probabilities: the recursion's
// own speed, dispatched (arg 1) or plain (arg 0).
void BM_CategoryRecursion(benchmark::State& state) {
  const AddItem add_item =
      state.range(0) != 0 ? category_recursion::add_item : category_recursion::plain::add_item;
  constexpr std::int32_t THREE_PL = 1600, PARTIAL = 400;
  const SyntheticForm form = synthetic_form(THREE_PL, 1);
  std::vector<double> start(THREE_PL + PARTIAL * (CATEGORIES - 1) + 1), p_3pl(THREE_PL);
  number_correct(0.25, form, p_3pl, start);
  const double p[CATEGORIES] = {0.1, 0.2, 0.4, 0.2, 0.1};
  std::vector<double> work(start.size());
  for (auto _ : state) {
    work = start;
    for (std::int32_t i = 0; i < PARTIAL; ++i)
      add_item(work, THREE_PL + i * (CATEGORIES - 1), std::span<const double>(p));
    benchmark::DoNotOptimize(work.data());
  }
  count_multiply_adds(state, category_multiply_adds(THREE_PL, PARTIAL));
}
BENCHMARK(BM_CategoryRecursion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The conditional distributions of a mixed form over 201 quadrature points:
// 1,600 3PL items, then 400 five-category GPCM items with their
// probabilities at each point (N = 3,200). The 3PL form of the same N is
// BM_NumberCorrectOver201Points.
void BM_MixedFormOver201Points(benchmark::State& state) {
  constexpr std::int32_t THREE_PL = 1600, PARTIAL = 400;
  const SyntheticForm form = synthetic_form(THREE_PL, 1);
  const CategoryBank bank = category_bank(PARTIAL, 3);
  const Quadrature q = synthetic_quadrature(201);
  std::vector<double> work(THREE_PL + PARTIAL * (CATEGORIES - 1) + 1), p_3pl(THREE_PL);
  double p[CATEGORIES];
  for (auto _ : state) {
    for (double theta : q.points) {
      number_correct(theta, form, p_3pl, work);
      for (std::int32_t i = 0; i < PARTIAL; ++i) {
        category_probabilities(theta, bank.item(static_cast<std::size_t>(i), ItemModel::GPCM),
                               D_NORMAL, p);
        category_recursion::add_item(work, THREE_PL + i * (CATEGORIES - 1),
                                     std::span<const double>(p));
      }
      benchmark::DoNotOptimize(work.data());
    }
  }
  count_multiply_adds(state, 201.0 * (static_cast<double>(THREE_PL) * (THREE_PL - 1) +
                                      category_multiply_adds(THREE_PL, PARTIAL)));
}
BENCHMARK(BM_MixedFormOver201Points)->Unit(benchmark::kMillisecond);

void BM_NumberCorrectOver201Points(benchmark::State& state) {
  constexpr std::int32_t N = 3200;
  const SyntheticForm form = synthetic_form(N, 1);
  const Quadrature q = synthetic_quadrature(201);
  std::vector<double> work(N + 1), p_3pl(N);
  for (auto _ : state) {
    for (double theta : q.points) {
      number_correct(theta, form, p_3pl, work);
      benchmark::DoNotOptimize(work.data());
    }
  }
  count_multiply_adds(state, 201.0 * N * (N - 1));
}
BENCHMARK(BM_NumberCorrectOver201Points)->Unit(benchmark::kMillisecond);

}  // namespace
