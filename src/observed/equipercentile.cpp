// Equipercentile equating of two cumulative score distributions
#include "observed/equipercentile.h"

namespace zol {

void cumulate(std::span<const double> distribution, std::span<double> cumulative) {
  cumulative[0] = distribution[0];
  for (std::size_t i = 1; i < distribution.size(); ++i) {
    cumulative[i] = cumulative[i - 1] + distribution[i];
  }
}

PercentileInterval percentile_interval(std::span<const double> new_cumulative, std::size_t x,
                                       std::span<const double> old_cumulative) {
  PercentileInterval interval;
  // Percentile rank at the midpoint of score x's unit interval.
  const DoubleDouble below = x == 0 ? 0.0 : new_cumulative[x - 1];
  interval.rank = below + (DoubleDouble(new_cumulative[x]) - below) * 0.5;
  // Strict comparison: an old score whose cumulative proportion only reaches
  // the rank has its upper end there, so the match lies in a later interval.
  std::size_t j = 0;
  while (j < old_cumulative.size() - 1 && !(old_cumulative[j] > interval.rank)) ++j;
  interval.index = j;
  interval.lower = j == 0 ? 0.0 : old_cumulative[j - 1];
  return interval;
}

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
    const PercentileInterval interval = percentile_interval(new_cumulative, i, old_cumulative);
    const DoubleDouble width = DoubleDouble(old_cumulative[interval.index]) - interval.lower;
    // An interval without probability has no inside to interpolate in: take its lower end.
    const DoubleDouble fraction =
        width == 0.0 ? DoubleDouble(0.0) : (interval.rank - interval.lower) / width;
    const double old_index = static_cast<double>(interval.index);
    equated[i] =
        (DoubleDouble(lowest) + unit * old_index - unit * 0.5 + fraction * increment).value();
  }
}

}  // namespace zol
