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

namespace {

constexpr double SQRT_HALF = 0.70710678118654752440;
constexpr int LOG_SERIES_TERMS = 11;
// ln 2 as a high part with its last 32 bits zero, and the rest.
constexpr double LN2_HIGH = 6.93147180369123816490e-01;
constexpr double LN2_LOW = 1.90821492927058770002e-10;

}  // namespace

double deterministic_exp(double x) {
  return exp_core::exp_scalar(x);
}

double deterministic_log(double x) {
  if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return -std::numeric_limits<double>::infinity();
  if (std::isinf(x)) return x;
  // x = m 2^e with m in [sqrt(1/2), sqrt(2)); both steps are exact.
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < SQRT_HALF) {
    m *= 2.0;
    --e;
  }
  // log m = 2 atanh(s) = 2 s (1 + s^2 / 3 + s^4 / 5 + ...), s = (m - 1) /
  // (m + 1), |s| <= 0.1716: the terms after the last one kept add less than
  // 2^-56 of the sum.
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double series = 0.0;
  for (int k = LOG_SERIES_TERMS; k >= 0; --k) series = series * s2 + 1.0 / (2.0 * k + 1.0);
  // e ln 2 in two parts: e times the high part is exact for every exponent.
  const double exponent = static_cast<double>(e);
  return exponent * LN2_HIGH + (exponent * LN2_LOW + 2.0 * s * series);
}

void deterministic_exp_batch(std::span<const double> x, std::span<double> y) {
  assert(y.size() == x.size());
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return item_kernels::avx2::exp_batch(x, y);
#endif
  item_kernels::plain::exp_batch(x, y);
}

}  // namespace zol
