// Equipercentile equating of two cumulative score distributions
#include "equipercentile.h"

#include <cstddef>

namespace zol {

void equipercentile_equate(std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, double lowest, double increment,
                           ScoreVector equated) {
  const std::size_t n_new = new_cumulative.size();
  const std::size_t n_old = old_cumulative.size();
  // Writing part of the scores would pass off stale entries as results.
  if (n_old < 1 || equated.size() < n_new) return;
  const long double scale_low = lowest;
  const long double unit = increment;

  for (std::size_t i = 0; i < n_new; ++i) {
    // Percentile rank at the midpoint of score i's unit interval.
    const long double below = i == 0 ? 0.0L : new_cumulative[i - 1];
    const long double rank = below + 0.5L * (new_cumulative[i] - below);

    // Strict comparison: an old score whose cumulative proportion only reaches
    // the rank has its upper end there, so the match lies in a later interval.
    std::size_t j = 0;
    while (j < n_old - 1 && !(old_cumulative[j] > rank)) ++j;

    const long double lower_end = j == 0 ? 0.0L : old_cumulative[j - 1];
    const long double width = old_cumulative[j] - lower_end;
    // An interval without probability has no inside to interpolate in: take its lower end.
    const long double fraction = width == 0.0L ? 0.0L : (rank - lower_end) / width;
    const long double old_index = static_cast<long double>(j);
    equated[i] = static_cast<double>(scale_low + unit * old_index - 0.5L * unit + unit * fraction);
  }
}

}  // namespace zol
