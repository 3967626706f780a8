// Benchmark of the standard errors: 200 + 200 3PL items with full covariance matrices
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "synthetic_forms.h"
#include "zol/zol.h"

namespace {

using namespace zol;

constexpr std::int32_t ITEMS = 200;

// Forms of 200 items, 40 of them common, both groups at 81 points, as in the
// benchmark of two groups.
Input forms() { return common_item_forms(ITEMS, 40, 0.0, 81, true); }

// A full covariance of every parameter of the form: a calibration's, made up
// as a correlation that falls with the distance between parameters, scaled by
// standard errors of 0.05 to 0.15.
Covariance full_covariance(const Form& form) {
  Covariance c;
  for (const Item& item : form.items) {
    for (const std::string& name : parameter_names(item)) c.names.push_back(item.label + ":" + name);
  }
  const std::size_t m = c.names.size();
  c.matrix.resize(m * m);
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < m; ++j) {
      const double se_i = 0.05 + 0.1 * static_cast<double>(i % 7) / 6.0;
      const double se_j = 0.05 + 0.1 * static_cast<double>(j % 7) / 6.0;
      const double distance = static_cast<double>(i > j ? i - j : j - i);
      c.matrix[i * m + j] = se_i * se_j * std::pow(0.3, distance);
    }
  }
  return c;
}

// The covariance file of both forms, each matrix as its lower triangle.
std::string covariance_file(const Input& input) {
  std::string text;
  for (const auto& [header, covariance] :
       {std::pair{"$Item_Covariance", &*input.new_covariance},
        std::pair{"$Link_Item_Covariance", &*input.old_covariance}}) {
    text += header;
    text += "\n";
    for (std::size_t k = 0; k < covariance->names.size(); ++k) {
      text += (k > 0 ? " " : "") + covariance->names[k];
    }
    text += "\n";
    const std::size_t m = covariance->names.size();
    char number[32];
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = 0; j <= i; ++j) {
        std::snprintf(number, sizeof number, j > 0 ? " %.17g" : "%.17g", covariance->matrix[i * m + j]);
        text += number;
      }
      text += "\n";
    }
  }
  return text;
}

Input with_covariances() {
  Input input = forms();
  input.new_covariance = full_covariance(input.new_form);
  input.old_covariance = full_covariance(input.old_form);
  return input;
}

Options haebara() {
  Options options;
  options.link = LinkMethod::HAEBARA;
  return options;
}

// The equating alone, and the same with every standard error: the covariance
// file read and checked against the forms, and the errors computed.
void BM_StandardErrors(benchmark::State& state) {
  const bool errors = state.range(0) == 1;
  const Input base = forms();
  const std::string text = covariance_file(with_covariances());
  for (auto _ : state) {
    Input input = base;
    if (errors) {
      const Expected<ReadCovariance> read = read_covariance_text(text, "covariance.txt", input);
      if (!read) {
        state.SkipWithError(read.error().explanation.c_str());
        break;
      }
      input.new_covariance = read->new_covariance;
      input.old_covariance = read->old_covariance;
    }
    const Expected<Results> results = equate(input, haebara());
    if (!results) {
      state.SkipWithError(results.error().explanation.c_str());
      break;
    }
    benchmark::DoNotOptimize(results->true_score.equated.data());
  }
  state.counters["file_bytes"] = static_cast<double>(text.size());
  state.SetLabel(errors ? "with every standard error" : "without");
}
BENCHMARK(BM_StandardErrors)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The work no way of computing standard errors can skip: reading the file's
// numbers, and one dense product g' S g per form for every standard error
// (2 of the linking and 4 of every new-form raw score, of which the scale
// scores' are multiples: 2 distinct per raw score).
void BM_StandardErrorsUnskippable(benchmark::State& state) {
  const Input input = with_covariances();
  const std::string text = covariance_file(input);
  const std::size_t products = 2 + 2 * static_cast<std::size_t>(ITEMS + 1);
  std::vector<double> g(input.new_covariance->names.size(), 1e-3);
  for (auto _ : state) {
    double total = 0.0;
    for (const char* at = text.c_str(); *at != '\0';) {
      char* end = nullptr;
      const double value = std::strtod(at, &end);
      if (end == at) {
        ++at;
        continue;
      }
      total += value;
      at = end;
    }
    for (std::size_t q = 0; q < products; ++q) {
      for (const Covariance* c : {&*input.new_covariance, &*input.old_covariance}) {
        const std::size_t m = c->names.size();
        for (std::size_t i = 0; i < m; ++i) {
          double inner = 0.0;
          for (std::size_t j = 0; j < m; ++j) inner += c->matrix[i * m + j] * g[j];
          total += g[i] * inner;
        }
      }
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_StandardErrorsUnskippable)->Unit(benchmark::kMillisecond);

}  // namespace
