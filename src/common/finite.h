// Whether computed values are numbers that may be reported
#pragma once

#include <algorithm>
#include <cmath>
#include <span>

namespace zol {

inline bool all_finite(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace zol
