// Conversion of equated raw scores to unrounded and rounded scale scores
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

// Converts scores[0..output.row_count-1] through the conversion table into
// output.unrounded and output.rounded, rounding by the output's bounds and unit.
void convert_to_scale(std::span<const double> scores, const ScaleConversion& conversion,
                      const ScaleConversion& output);

// Linear interpolation in the table (row k at lowest + k * increment), with the
// first and last segments extended beyond the table's ends.
void interpolate_scale(std::int32_t score_count, std::int32_t row_count,
                       std::span<const double> scores, std::span<const double> table, double lowest,
                       double highest, double increment, std::span<double> unrounded);

// The lower or upper bound at or beyond it, else the nearest multiple of the
// increment (halves rounded up, truncation toward zero).
double round_scale(double value, double lower, double upper, double increment);
