// Conversion of equated raw scores to unrounded and rounded scale scores
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/findings.h"
#include "common/records.h"

namespace zol {

// Raw score of the last row of a table whose row k stands at
// lowest + k * increment.
double grid_top(long long rows, double lowest, double increment);

// Why a conversion table of so many rows cannot stand on the grid from
// lowest to highest in steps of increment: the interpolation reads two
// adjacent rows and places row k at lowest + k * increment, and half an
// increment of slack allows for how highest was written. Empty when it can.
std::string conversion_grid_problem(long long rows, double lowest, double highest,
                                    double increment);

// The identity on the old form's raw scores 0..top, the conversion of an
// input without one. False when memory runs out.
[[nodiscard]] bool identity_conversion(std::int64_t top, Conversion& conversion);

// Converts every score through the table into unrounded and rounded (which
// hold at least as many entries): the unrounded scale score by interpolation,
// the rounded one by the table's bounds and unit.
void convert_to_scale(std::span<const double> scores, const Conversion& table,
                      std::span<double> unrounded, std::span<double> rounded);

// The table's segment (rows k and k + 1) that starts at or below x, for
// lowest < x < highest: a grid point starts its own. At or below lowest, and
// for a NaN, the first; never beyond the last.
std::size_t segment_index(double x, const Conversion& table);

// Linear interpolation in the table (row k at lowest + k * increment), with the
// first and last segments extended beyond the table's ends.
void interpolate_scale(std::span<const double> scores, const Conversion& table,
                       ScoreVector unrounded);

// The lower or upper bound at or beyond it; between them, value / increment
// plus a half, truncated toward zero, times the increment: halves round up,
// and a quotient below -0.5 moves toward zero.
double round_scale(double value, double lower, double upper, double increment);

// Rounding on the reporting scale: each unrounded scale score to the nearest multiple of unit
// (halves away from zero), then kept within the smallest and largest scale
// score of the table's scale column, into rounded.
void round_on_reporting_scale(std::span<const double> unrounded, const Conversion& table,
                              double unit, ScoreVector rounded);

// Warnings about a conversion table of the input (none for the default):
// a scale column running outside the raw-score bounds that clamp rounded
// scale scores (unless round_scale), and equated scores beyond the table's
// raw-score grid, whose scale scores are extrapolated.
void warn_about_scale(const Conversion& table, std::span<const double> true_equated,
                      std::span<const double> observed_equated, bool round_scale,
                      Findings& findings);

}  // namespace zol
