// Benchmark of the input reader on a file of 100,000 lines
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "input_reader.h"
#include "synthetic_forms.h"

namespace {

// Two item sections of 49,999 records each, behind their header lines, and
// the title line before them: 100,000 lines, about 3.7 MB.
constexpr std::int32_t ITEMS_PER_FORM = 49'999;
constexpr std::int64_t FILE_LINES = 1 + 2 * (1 + std::int64_t{ITEMS_PER_FORM});

void BM_ReadInput(benchmark::State& state) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) {
    state.SkipWithError("no temporary file");
    return;
  }
  write_synthetic_input(file, ITEMS_PER_FORM, ITEMS_PER_FORM, 0);
  const long bytes = std::ftell(file);
  for (auto _ : state) {
    std::rewind(file);
    zol::Findings findings;
    const std::optional<zol::InputRecords> r = zol::read_input(file, findings);
    if (!r || r->new_form.count != ITEMS_PER_FORM) {
      state.SkipWithError("read_input failed");
      break;
    }
    benchmark::DoNotOptimize(r->new_form.block.get());
  }
  std::fclose(file);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["lines"] = benchmark::Counter(static_cast<double>(FILE_LINES),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadInput)->Unit(benchmark::kMillisecond);

}  // namespace
