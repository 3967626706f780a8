// The deterministic exponential: extreme arguments and the batch entry point
#include "deterministic_exp.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

#include "exp_lanes.h"

namespace exp_detail {

namespace {

// e^x is past the largest double above this, and below half the smallest
// subnormal beneath its negative.
constexpr double OVERFLOW_BOUND = 710.0;
constexpr double UNDERFLOW_BOUND = -746.0;

constexpr std::uint64_t exponent_step(int power) {
  return static_cast<std::uint64_t>(power) << 52;
}

}  // namespace

double exp_extreme(double x) {
  if (std::isnan(x)) return x + x;
  if (x > OVERFLOW_BOUND) return std::numeric_limits<double>::infinity();
  if (x < UNDERFLOW_BOUND) return 0.0;
  // The power of two would leave the normal range, so the result is formed
  // at a scale where it is normal and moved into place by one exact power of
  // two: doubling overflows to infinity exactly when the result rounds past
  // the largest double; scaling by 2^-1022 rounds it once to a subnormal, at
  // most one unit away from the correctly rounded result.
  double y;
  if (x > 0.0) {
    exp_ordinary(x, -exponent_step(1), y);
    return y * 2.0;
  }
  exp_ordinary(x, exponent_step(1022), y);
  return y * 0x1.0p-1022;
}

}  // namespace exp_detail

double deterministic_exp(double x) {
  return exp_detail::exp_scalar(x);
}

__attribute__((target_clones("avx2", "default"))) void deterministic_exp_batch(
    std::span<const double> x, std::span<double> y) {
  using exp_detail::Lanes;
  using exp_detail::LANES;
  assert(y.size() == x.size());
  std::size_t i = 0;
  for (; i + LANES <= x.size(); i += LANES) {
    Lanes lanes;
    std::memcpy(&lanes, x.data() + i, sizeof lanes);
    Lanes result;
    exp_detail::exp_lanes(lanes, result);
    std::memcpy(y.data() + i, &result, sizeof result);
  }
  for (; i < x.size(); ++i) y[i] = exp_detail::exp_scalar(x[i]);
}
