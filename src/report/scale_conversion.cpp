// Raw-to-scale conversion: interpolation in the conversion table, then rounding
#include "scale_conversion.h"

#include <cassert>
#include <cmath>
#include <cstddef>

namespace {

// Value at raw score x on the line through the table's rows j and j + 1. It is
// formed as intercept plus slope times x, not as row value plus slope times
// offset: the order of the operations decides the last bit of every scale score.
double segment_value(std::span<const double> table, std::size_t j, double left_end,
                     double increment, double x) {
  assert(j + 1 < table.size());
  const double slope = (table[j + 1] - table[j]) / increment;
  return (table[j] - slope * left_end) + slope * x;
}

// Segment that starts at or below x, for lowest < x < highest. The quotient is
// rounded toward minus infinity, so a grid point starts its own segment. It is
// limited in double before any integer conversion: just below highest the
// quotient can round up to row_count - 1, whose segment would lie past the
// table, and a NaN quotient must never reach the integer conversion.
std::size_t segment_index(double x, double lowest, double increment, std::int32_t row_count) {
  const double last = static_cast<double>(row_count) - 2.0;
  double k = std::floor((x - lowest) / increment);
  if (!(k >= 0.0)) k = 0.0;
  if (k > last) k = last;
  return static_cast<std::size_t>(k);
}

}  // namespace

void convert_to_scale(std::span<const double> scores, const ScaleConversion& conversion,
                      const ScaleConversion& output) {
  interpolate_scale(output.row_count, conversion.row_count, scores, conversion.unrounded,
                    conversion.lowest, conversion.highest, conversion.increment, output.unrounded);
  for (std::int32_t i = 0; i < output.row_count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    output.rounded[at] =
        round_scale(output.unrounded[at], output.lowest, output.highest, output.increment);
  }
}

void interpolate_scale(std::int32_t score_count, std::int32_t row_count,
                       std::span<const double> scores, std::span<const double> table, double lowest,
                       double highest, double increment, std::span<double> unrounded) {
  if (score_count <= 0) return;
  // The reader accepts only tables of at least two rows on a consistent grid.
  assert(row_count >= 2 && static_cast<std::size_t>(row_count) <= table.size());
  assert(static_cast<std::size_t>(score_count) <= scores.size());
  assert(static_cast<std::size_t>(score_count) <= unrounded.size());
  const auto last_segment = static_cast<std::size_t>(row_count) - 2;

  for (std::int32_t i = 0; i < score_count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const double x = scores[at];
    // The ends come first: beyond them the outer segments are extended, not held.
    if (x >= highest) {
      unrounded[at] = segment_value(table, last_segment, highest - increment, increment, x);
    } else if (x <= lowest) {
      unrounded[at] = segment_value(table, 0, lowest, increment, x);
    } else {
      const std::size_t k = segment_index(x, lowest, increment, row_count);
      const double left_end = lowest + static_cast<double>(k) * increment;
      unrounded[at] = segment_value(table, k, left_end, increment, x);
    }
  }
}

double round_scale(double value, double lower, double upper, double increment) {
  if (value >= upper) return upper;
  if (value <= lower) return lower;
  // Multiples are counted from zero, not from the lower bound. Adding a half
  // and truncating toward zero rounds halves up for non-negative quotients; a
  // quotient below -0.5 moves toward zero instead. The double is truncated
  // directly because a quotient need not fit in a 32-bit integer; adding zero
  // turns a truncated -0 into the whole number 0, so the report never shows
  // "-0.00".
  const double multiple = std::trunc(value / increment + 0.5) + 0.0;
  return multiple * increment;
}
