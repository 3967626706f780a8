// Rounding on the reporting scale, and warnings about a conversion table's reach
#include <algorithm>
#include <cmath>

#include "common/describe.h"
#include "report/scale_conversion.h"

namespace zol {

void round_on_reporting_scale(std::span<const double> unrounded, const Conversion& table,
                              double unit, ScoreVector rounded) {
  const std::span<const double> column = table.scale;
  const auto [smallest, largest] = std::minmax_element(column.begin(), column.end());
  for (std::size_t i = 0; i < unrounded.size(); ++i) {
    // std::round takes halves away from zero; adding zero turns -0 into 0,
    // so the report never shows "-0.00".
    const double nearest = std::round(unrounded[i] / unit) * unit + 0.0;
    rounded[i] = std::clamp(nearest, *smallest, *largest);
  }
}

void warn_about_scale(const Conversion& table, std::span<const double> true_equated,
                      std::span<const double> observed_equated, bool round_scale,
                      Findings& findings) {
  const std::span<const double> column = table.scale;
  const auto [smallest, largest] = std::minmax_element(column.begin(), column.end());
  if (!round_scale && (*smallest < table.lowest || *largest > table.highest)) {
    findings.warn({describe("warning: conversion table: its scale scores run from %g to %g, "
                            "but every rounded scale score is kept within the raw scores %g "
                            "to %g and rounded to multiples of %g",
                            *smallest, *largest, table.lowest, table.highest, table.increment),
                   table.header_line > 0, table.header_line, Hint::ROUND_SCALE});
  }
  for (const auto& [scores, which] :
       {std::pair{true_equated, "true-score"}, std::pair{observed_equated, "observed-score"}}) {
    for (std::size_t raw = 0; raw < scores.size(); ++raw) {
      if (scores[raw] < table.lowest || scores[raw] > table.highest) {
        findings.warn({describe("warning: conversion table: the %s equivalent %.4f of raw "
                                "score %zu lies outside its raw scores %g to %g, so its scale "
                                "score is extrapolated",
                                which, scores[raw], raw, table.lowest, table.highest),
                       table.header_line > 0, table.header_line});
        break;
      }
    }
  }
}

}  // namespace zol
