// Equipercentile equating of two cumulative score distributions
#pragma once

#include <cstddef>
#include <span>

#include "common/double_double.h"
#include "common/records.h"

namespace zol {

// Running sums of a distribution in index order into cumulative, which holds
// as many entries; the total is not rescaled.
void cumulate(std::span<const double> distribution, std::span<double> cumulative);

// The interval of the old form's scores where new-form score x's percentile
// rank falls: the rank (in two doubles, as the equating carries it), the old
// score index whose interval holds it and the cumulative proportion at that
// interval's lower end. The first interval whose upper end lies above the
// rank, or the last; old_cumulative must not be empty.
struct PercentileInterval {
  DoubleDouble rank;
  std::size_t index = 0;
  DoubleDouble lower;
};
PercentileInterval percentile_interval(std::span<const double> new_cumulative, std::size_t x,
                                       std::span<const double> old_cumulative);

// For each new-form score x (one per entry of new_cumulative), the old-form
// score with the same percentile rank, as lowest + increment * (old index -
// 0.5 + fraction), into equated[x]. Percentile ranks are taken at the middle
// of each score's unit interval and interpolated linearly. Writes nothing
// when old_cumulative is empty or equated is too short.
void equipercentile_equate(std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, double lowest, double increment,
                           ScoreVector equated);

}  // namespace zol
