// Conversion of equated raw scores to unrounded and rounded scale scores
#pragma once

#include <span>

#include "records.h"

namespace zol {

// Converts every score through the table into unrounded and rounded (which
// hold at least as many entries): the unrounded scale score by interpolation,
// the rounded one by the table's bounds and unit.
void convert_to_scale(std::span<const double> scores, const ScaleConversion& table,
                      std::span<double> unrounded, std::span<double> rounded);

// Linear interpolation in the table (row k at lowest + k * increment), with the
// first and last segments extended beyond the table's ends.
void interpolate_scale(std::span<const double> scores, const ScaleConversion& table,
                       ScoreVector unrounded);

// The lower or upper bound at or beyond it; between them, value / increment
// plus a half, truncated toward zero, times the increment: halves round up,
// and a quotient below -0.5 moves toward zero.
double round_scale(double value, double lower, double upper, double increment);

}  // namespace zol
