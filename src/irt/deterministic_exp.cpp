// The deterministic exponential: extreme arguments and the batch entry point
#include "irt/deterministic_exp.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "common/cpu_features.h"
#include "irt/exp_core.h"
#include "irt/item_kernels.h"

namespace zol {

namespace exp_core {

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

}  // namespace exp_core

double deterministic_exp(double x) {
  return exp_core::exp_scalar(x);
}

void deterministic_exp_batch(std::span<const double> x, std::span<double> y) {
  assert(y.size() == x.size());
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return item_kernels::avx2::exp_batch(x, y);
#endif
  item_kernels::plain::exp_batch(x, y);
}

}  // namespace zol
