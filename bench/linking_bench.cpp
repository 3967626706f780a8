// Benchmark of linking by common items: 100 common items over 201 quadrature points
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "irt/linking.h"
#include "synthetic_forms.h"

namespace {

using namespace zol;

// The old form's items under labels C000..; the new form's the same items on
// the scale theta_new = (theta_old + 0.4) / 1.15, with a little noise.
Form labelled(const SyntheticForm& form, double A, double B) {
  const auto n = static_cast<std::size_t>(form.count());
  Form set;
  for (std::size_t i = 0; i < n; ++i) {
    const double noise = 0.02 * std::cos(static_cast<double>(i));
    char label[8];
    std::snprintf(label, sizeof label, "C%03d", static_cast<int>(i % 1000));
    set.items.emplace_back(label, form.a[i] * A + noise, (form.b[i] - B) / A + noise, form.c[i]);
  }
  return set;
}

void BM_Linking(benchmark::State& state) {
  const auto method = static_cast<LinkMethod>(state.range(0));
  const SyntheticForm form = synthetic_form(100, 2);
  const Form old_form = labelled(form, 1.0, 0.0);
  const Form new_form = labelled(form, 1.15, -0.4);
  const Quadrature theta = synthetic_quadrature(201);
  const ItemTable old_items = item_table(old_form), new_items = item_table(new_form);
  for (auto _ : state) {
    LinkRequest request;
    request.method = method;
    request.theta = &theta;
    const LinkSearch link = link_scales(new_items, old_items, request);
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
