// Equipercentile equating of two cumulative score distributions
#pragma once

#include <cstdint>
#include <span>

// For each new-form score 0..count_new-1, the old-form score with the same
// percentile rank, as lowest + increment * (old index - 0.5 + fraction).
void equipercentile_equate(std::int32_t count_new, std::int32_t count_old, double lowest,
                           double increment, std::span<const double> new_cumulative,
                           std::span<const double> old_cumulative, std::span<double> equated);
