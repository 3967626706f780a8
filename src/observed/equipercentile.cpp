// Equipercentile equating of two cumulative score distributions
#include "equipercentile.h"

#include <cstddef>
#include <cstdint>

void equipercentile_equate(std::int32_t count_new, std::int32_t count_old, double lowest,
                           double increment, std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, std::span<double> equated) {
  if (count_new <= 0 || count_old < 1) return;
  const auto n_new = static_cast<std::size_t>(count_new);
  const auto n_old = static_cast<std::size_t>(count_old);
  // Writing part of the scores would pass off stale entries as results.
  if (new_cumulative.size() < n_new || equated.size() < n_new || old_cumulative.size() < n_old) {
    return;
  }
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
