// Raw-to-scale conversion: interpolation in the conversion table, then rounding
#include "report/scale_conversion.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/allocation.h"
#include "common/describe.h"

namespace zol {

namespace {

constexpr long long MOST_ROWS = std::numeric_limits<std::int32_t>::max();

// Value at raw score x on the line through the table's rows j and j + 1. It is
// formed as intercept plus slope times x, not as row value plus slope times
// offset: the order of the operations decides the last bit of every scale score.
double segment_value(std::span<const double> rows, std::size_t j, double left_end, double increment,
                     double x) {
  assert(j + 1 < rows.size());
  const double slope = (rows[j + 1] - rows[j]) / increment;
  return (rows[j] - slope * left_end) + slope * x;
}

}  // namespace

// The quotient is rounded toward minus infinity, so a grid point starts its
// own segment. It is limited in double before any integer conversion: just
// below highest the quotient can round up to the last row, whose segment
// would lie past the table, and a NaN quotient must never reach the integer
// conversion.
std::size_t segment_index(double x, const Conversion& table) {
  const double last = static_cast<double>(table.scale.size()) - 2.0;
  double k = std::floor((x - table.lowest) / table.increment);
  if (!(k >= 0.0)) k = 0.0;
  if (k > last) k = last;
  return static_cast<std::size_t>(k);
}

double grid_top(long long rows, double lowest, double increment) {
  return lowest + static_cast<double>(rows - 1) * increment;
}

std::string conversion_grid_problem(long long rows, double lowest, double highest,
                                    double increment) {
  if (rows < 2) {
    return describe("%lld row%s announced; at least 2 are needed", rows, rows == 1 ? "" : "s");
  }
  if (rows > MOST_ROWS) {
    return describe("%lld rows announced; at most %lld are allowed", rows, MOST_ROWS);
  }
  if (!std::isfinite(lowest) || !std::isfinite(highest) || !std::isfinite(increment)) {
    return describe("lowest %g, highest %g and increment %g must be finite numbers", lowest,
                    highest, increment);
  }
  if (!(increment > 0.0)) return describe("increment %g is not above 0", increment);
  if (!(std::fabs(highest - grid_top(rows, lowest, increment)) <= increment / 2.0)) {
    return describe("highest %g is not lowest %g + %lld increments of %g", highest, lowest,
                    rows - 1, increment);
  }
  return "";
}

bool identity_conversion(std::int64_t top, Conversion& conversion) {
  if (!allocate_vector(conversion.scale, static_cast<std::size_t>(top) + 1)) return false;
  for (std::size_t i = 0; i < conversion.scale.size(); ++i) {
    conversion.scale[i] = static_cast<double>(i);
  }
  conversion.lowest = 0.0;
  conversion.highest = static_cast<double>(top);
  conversion.increment = 1.0;
  conversion.header_line = 0;
  return true;
}

void convert_to_scale(std::span<const double> scores, const Conversion& table,
                      std::span<double> unrounded, std::span<double> rounded) {
  interpolate_scale(scores, table, unrounded);
  for (std::size_t i = 0; i < scores.size(); ++i) {
    rounded[i] = round_scale(unrounded[i], table.lowest, table.highest, table.increment);
  }
}

void interpolate_scale(std::span<const double> scores, const Conversion& table,
                       ScoreVector unrounded) {
  const std::span<const double> rows = table.scale;
  // The reader accepts only tables of at least two rows on a consistent grid.
  assert(rows.size() >= 2 && unrounded.size() >= scores.size());
  const std::size_t last_segment = rows.size() - 2;

  for (std::size_t i = 0; i < scores.size(); ++i) {
    const double x = scores[i];
    // The ends come first: beyond them the outer segments are extended, not held.
    if (x >= table.highest) {
      unrounded[i] =
          segment_value(rows, last_segment, table.highest - table.increment, table.increment, x);
    } else if (x <= table.lowest) {
      unrounded[i] = segment_value(rows, 0, table.lowest, table.increment, x);
    } else {
      const std::size_t k = segment_index(x, table);
      const double left_end = table.lowest + static_cast<double>(k) * table.increment;
      unrounded[i] = segment_value(rows, k, left_end, table.increment, x);
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

}  // namespace zol
