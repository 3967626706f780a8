// Benchmark of a whole equating, input records to report text, through the library
#include <benchmark/benchmark.h>

#include <cstdint>

#include "synthetic_forms.h"
#include "zol/zol.h"

namespace {

using namespace zol;

// Args: items per form, quadrature points. Reading the input is left out
// (see BM_ReadInput); everything after it, the report included, is timed.
void BM_EquateAndReport(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto k = static_cast<std::int32_t>(state.range(1));
  const Expected<ReadInput> read = read_input_text(synthetic_text(n, n, k), "synthetic.txt");
  if (!read) {
    state.SkipWithError("read_input_text failed");
    return;
  }
  std::size_t report_bytes = 0;
  for (auto _ : state) {
    const Expected<Results> results = equate(read->input, {});
    const Expected<std::string> report =
        results ? format_report(*results) : Expected<std::string>(results.error());
    if (!report) {
      state.SkipWithError("equating failed");
      break;
    }
    report_bytes = report->size();
  }
  state.counters["report_bytes"] = static_cast<double>(report_bytes);
}
BENCHMARK(BM_EquateAndReport)
    ->Args({40, 41})
    ->Args({200, 81})
    ->Args({2000, 201})
    ->Args({10000, 201})
    ->Unit(benchmark::kMillisecond);

}  // namespace
