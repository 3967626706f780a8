// Benchmark of the input reader on a file of 100,000 lines
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "input/input_reader.h"
#include "synthetic_forms.h"

namespace {

// Two item sections of 49,999 records each, behind their header lines, and
// the title line before them: 100,000 lines, about 3.7 MB.
constexpr std::int32_t ITEMS_PER_FORM = 49'999;
constexpr std::int64_t FILE_LINES = 1 + 2 * (1 + std::int64_t{ITEMS_PER_FORM});

void BM_ReadInput(benchmark::State& state) {
  const std::string text = synthetic_text(ITEMS_PER_FORM, ITEMS_PER_FORM, 0);
  for (auto _ : state) {
    const zol::Expected<zol::ReadInput> r = zol::read_input_text(text, "synthetic.txt");
    if (!r || r->input.new_form.items.size() != ITEMS_PER_FORM) {
      state.SkipWithError("read_input_text failed");
      break;
    }
    benchmark::DoNotOptimize(r->input.new_form.items.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  state.counters["lines"] = benchmark::Counter(static_cast<double>(FILE_LINES),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadInput)->Unit(benchmark::kMillisecond);

}  // namespace
