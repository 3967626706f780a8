// Equipercentile equating of two cumulative score distributions
#include "observed/equipercentile.h"

#include <cstddef>

#include "common/double_double.h"

namespace zol {

void equipercentile_equate(std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, double lowest, double increment,
                           ScoreVector equated) {
  const std::size_t n_new = new_cumulative.size();
  const std::size_t n_old = old_cumulative.size();
  // Writing part of the scores would pass off stale entries as results.
  if (n_old < 1 || equated.size() < n_new) return;
  // Near the top of both distributions the cumulative proportions lie within
  // a few units in the last place of each other, and the equated score
  // depends on their differences: the arithmetic is carried in two doubles,
  // the same on every platform.
  const DoubleDouble unit = increment;
  for (std::size_t i = 0; i < n_new; ++i) {
    // Percentile rank at the midpoint of score i's unit interval.
    const DoubleDouble below = i == 0 ? 0.0 : new_cumulative[i - 1];
    const DoubleDouble rank = below + (DoubleDouble(new_cumulative[i]) - below) * 0.5;

    // Strict comparison: an old score whose cumulative proportion only reaches
    // the rank has its upper end there, so the match lies in a later interval.
    std::size_t j = 0;
    while (j < n_old - 1 && !(old_cumulative[j] > rank)) ++j;

    const DoubleDouble lower_end = j == 0 ? 0.0 : old_cumulative[j - 1];
    const DoubleDouble width = DoubleDouble(old_cumulative[j]) - lower_end;
    // An interval without probability has no inside to interpolate in: take its lower end.
    const DoubleDouble fraction = width == 0.0 ? DoubleDouble(0.0) : (rank - lower_end) / width;
    const double old_index = static_cast<double>(j);
    equated[i] =
        (DoubleDouble(lowest) + unit * old_index - unit * 0.5 + fraction * increment).value();
  }
}

}  // namespace zol
