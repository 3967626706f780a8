// Small forms and a three-point quadrature with published fitted distributions
#pragma once

#include <cstdint>
#include <vector>

#include "records.h"

struct ExampleForm {
  std::vector<double> a, b, c;

  std::int32_t count() const { return static_cast<std::int32_t>(a.size()); }
};

// Three items whose conditional and fitted distributions are tabulated.
inline ExampleForm new_example_form() {
  return {{1.0, 1.5, 0.8}, {0.0, 0.5, -1.0}, {0.2, 0.25, 0.0}};
}

// Four items, equated against the three above.
inline ExampleForm old_example_form() {
  return {{1.2, 0.9, 1.0, 0.7}, {0.2, -0.5, 1.0, 0.0}, {0.2, 0.1, 0.15, 0.0}};
}

inline const std::vector<double> EXAMPLE_POINTS = {-1.0, 0.0, 1.0};
inline const std::vector<double> EXAMPLE_WEIGHTS = {0.25, 0.5, 0.25};
