// Equipercentile equating of two cumulative score distributions
#pragma once

#include <span>

#include "common/records.h"

namespace zol {

// For each new-form score x (one per entry of new_cumulative), the old-form
// score with the same percentile rank, as lowest + increment * (old index -
// 0.5 + fraction), into equated[x]. Percentile ranks are taken at the middle
// of each score's unit interval and interpolated linearly. Writes nothing
// when old_cumulative is empty or equated is too short.
void equipercentile_equate(std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, double lowest, double increment,
                           ScoreVector equated);

}  // namespace zol
