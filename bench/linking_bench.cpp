// Benchmark of linking by common items: 100 common items over 201 quadrature points
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "irt/linking.h"
#include "synthetic_forms.h"

namespace {

using namespace zol;

// The old form's items under labels C000..; the new form's the same items on
// the scale theta_new = (theta_old + 0.4) / 1.15, with a little noise.
ItemSet labelled(const SyntheticForm& form, double A, double B) {
  const auto n = static_cast<std::size_t>(form.count());
  ItemSet set;
  set.count = form.count();
  set.block = std::make_unique<double[]>(3 * n);
  set.labels = std::make_unique<Label[]>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double noise = 0.02 * std::cos(static_cast<double>(i));
    set.block[i] = form.a[i] * A + noise;
    set.block[n + i] = (form.b[i] - B) / A + noise;
    set.block[2 * n + i] = form.c[i];
    std::snprintf(set.labels[i].data(), set.labels[i].size(), "C%03d", static_cast<int>(i % 1000));
  }
  return set;
}

void BM_Linking(benchmark::State& state) {
  const auto method = static_cast<LinkMethod>(state.range(0));
  const SyntheticForm form = synthetic_form(100, 2);
  const ItemSet old_form = labelled(form, 1.0, 0.0);
  const ItemSet new_form = labelled(form, 1.15, -0.4);
  const ThetaDistribution theta = synthetic_quadrature(201);
  for (auto _ : state) {
    const LinkSearch link = link_scales(new_form, old_form, theta, method);
    if (link.status != LinkStatus::OK) {
      state.SkipWithError("linking failed");
      break;
    }
    benchmark::DoNotOptimize(link.A);
  }
  state.SetLabel(link_method_title(method));
}
BENCHMARK(BM_Linking)
    ->Arg(static_cast<int>(LinkMethod::HAEBARA))
    ->Arg(static_cast<int>(LinkMethod::STOCKING_LORD))
    ->Unit(benchmark::kMillisecond);

}  // namespace
