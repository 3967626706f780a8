// Benchmark of a whole equating run, records to report, into a memory stream
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "driver.h"
#include "synthetic_forms.h"

namespace {

using namespace zol;

// Args: items per form, quadrature points. Reading the input is left out
// (see BM_ReadInput); everything after it, the report included, is timed.
void BM_EquateAndReport(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto k = static_cast<std::int32_t>(state.range(1));
  const InputRecords records = synthetic_records(n, n, k);
  std::size_t report_bytes = 0;
  for (auto _ : state) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) {
      state.SkipWithError("no memory stream");
      break;
    }
    ReportTarget target;
    target.stream = stream;
    Findings findings;
    const RunStatus status = equate_and_report(records, "synthetic.txt", target, {}, findings);
    std::fclose(stream);
    std::free(buffer);
    if (status != RunStatus::OK) {
      state.SkipWithError("equate_and_report failed");
      break;
    }
    report_bytes = size;
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
