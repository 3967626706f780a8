// Records shared by every stage of a run: item sets, quadrature, conversion tables
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Status of a stage: 0 is success, anything else a failure.
using Status = std::int16_t;

// The root bracket is [-THETA_LIMIT, THETA_LIMIT]; a raw score without a theta
// stores -THETA_LIMIT (at or below chance) or +THETA_LIMIT (the top score).
inline constexpr double THETA_LIMIT = 150.0;

// Read-only view of an array numbered from 1: element 1 is the first stored
// value. A default-constructed view is an absent array. Owns nothing.
struct OneBasedView {
  std::span<const double> values;

  double operator[](std::int32_t i) const {
    assert(i >= 1 && static_cast<std::size_t>(i) <= values.size());
    return values[static_cast<std::size_t>(i) - 1];
  }
  bool absent() const { return values.data() == nullptr; }
};

// One form's items, numbered 1..count by the numerical routines. The three
// parameter arrays share one block of 3 * count doubles: a, then b, then c.
struct ItemSet {
  std::int32_t count = 0;
  std::unique_ptr<double[]> block;

  std::span<const double> a() const { return part(0); }
  std::span<const double> b() const { return part(1); }
  std::span<const double> c() const { return part(2); }

 private:
  std::span<const double> part(std::size_t k) const {
    const auto n = static_cast<std::size_t>(count);
    return block ? std::span<const double>(block.get() + k * n, n) : std::span<const double>();
  }
};

// The ability quadrature: count points (0 means none) and, when has_weights,
// count weights right after them in the same block.
struct ThetaDistribution {
  std::int32_t count = 0;
  bool has_weights = false;
  std::unique_ptr<double[]> block;

  std::span<const double> points() const {
    return block ? std::span<const double>(block.get(), static_cast<std::size_t>(count))
                 : std::span<const double>();
  }
  std::span<const double> weights() const {
    return block && has_weights
               ? std::span<const double>(block.get() + count, static_cast<std::size_t>(count))
               : std::span<const double>();
  }
};

// A raw-to-scale conversion table on a regular raw-score grid: row k stands at
// lowest + k * increment. The same three values are the bounds and the unit of
// a rounded scale score. A table read from the input owns its two arrays; the
// driver's output record views workspace vectors and owns nothing.
struct ScaleConversion {
  std::int32_t row_count = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  std::span<double> unrounded;
  std::span<double> rounded;
  std::int16_t flag = 0;

  std::unique_ptr<double[]> unrounded_storage;
  std::unique_ptr<double[]> rounded_storage;
};

// A vector of doubles indexed by raw score 0..n of a form.
using ScoreVector = std::span<double>;

inline OneBasedView one_based(std::span<const double> values) {
  return OneBasedView{values};
}
