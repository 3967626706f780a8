// The deterministic exponential's arithmetic, written once for one double and for vector lanes
#pragma once

#include <bit>
#include <cstdint>

#include "common/inline.h"
#include "irt/exp_table.h"

namespace zol::exp_core {

constexpr double TABLE_SIZE_OVER_LN2 = 0x1.71547652b82fep+7;
// ln 2 / 128 in two parts. The first has 35 significant bits, so k times it
// is exact for every |k| below 2^18, which covers |x| up to 1,400.
constexpr double LN2_OVER_TABLE_SIZE_HI = 0x1.62e42fefc0000p-8;
constexpr double LN2_OVER_TABLE_SIZE_LO = -0x1.c610ca86c3899p-44;
// Adding 1.5 * 2^52 rounds a double below 2^51 in size to an integer, which
// then sits in the low bits of the sum's representation.
constexpr double ROUNDING_SHIFT = 0x1.8p52;
constexpr int EXPONENT_SHIFT = 52 - TABLE_BITS;
// Below this size of x every result, 2^(k/128) included, is a normal double.
constexpr double ORDINARY_LIMIT = 704.0;

// The three operations whose code differs between one double and vector
// lanes. A file that instantiates the templates below for lanes declares the
// lanes' overloads before it includes this header, since the templates find
// them by ordinary lookup. Results come back through references: lanes
// returned by value would change the calling convention between code
// compiled for AVX2 and plain code.
ZOL_ALWAYS_INLINE void to_bits(const double& x, std::uint64_t& bits) {
  bits = std::bit_cast<std::uint64_t>(x);
}
ZOL_ALWAYS_INLINE void from_bits(const std::uint64_t& bits, double& x) {
  x = std::bit_cast<double>(bits);
}
ZOL_ALWAYS_INLINE void look_up(std::uint64_t j, double& hi, double& tail) {
  hi = POWERS_OF_TWO[j].hi;
  tail = POWERS_OF_TWO[j].tail;
}

// e^x for |x| < ORDINARY_LIMIT. One template for one double and for lanes, so
// both take the same operations in the same order and give the same bits.
// The power 2^(k/128) is hi (1 + tail); e^r - 1 is its Taylor polynomial to
// r^5, which leaves out less than 2^-60 of the result; so the result is the
// sum's final rounding plus a few thousandths of a unit in the last place.
template <typename Real, typename Bits>
ZOL_ALWAYS_INLINE void exp_ordinary(const Real& x, const Bits& exponent_bias, Real& y) {
  const Real shifted = x * TABLE_SIZE_OVER_LN2 + ROUNDING_SHIFT;
  Bits k_bits;
  to_bits(shifted, k_bits);
  const Real k = shifted - ROUNDING_SHIFT;
  const Real r = (x - k * LN2_OVER_TABLE_SIZE_HI) - k * LN2_OVER_TABLE_SIZE_LO;
  const Real r2 = r * r;
  const Real polynomial =
      r + r2 * (0.5 + r * (1.0 / 6.0)) + r2 * r2 * (1.0 / 24.0 + r * (1.0 / 120.0));
  const Bits j = k_bits & static_cast<std::uint64_t>(TABLE_SIZE - 1);
  Real hi, tail;
  look_up(j, hi, tail);
  // k - j is 128 times the power of two, and the rounding shift's own bits
  // leave through the top of the word.
  Bits hi_bits;
  to_bits(hi, hi_bits);
  Real scale;
  from_bits(hi_bits + ((k_bits - j) << EXPONENT_SHIFT) + exponent_bias, scale);
  y = scale + scale * (tail + polynomial);
}

ZOL_ALWAYS_INLINE bool is_ordinary(double x) {
  return x < ORDINARY_LIMIT && x > -ORDINARY_LIMIT;
}

// NaN, infinities, and the sizes of x where the result overflows, is
// subnormal or underflows.
double exp_extreme(double x);

ZOL_ALWAYS_INLINE double exp_scalar(double x) {
  if (!is_ordinary(x)) return exp_extreme(x);
  double y;
  exp_ordinary(x, std::uint64_t{0}, y);
  return y;
}

}  // namespace zol::exp_core
