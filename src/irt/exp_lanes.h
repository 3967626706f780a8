// The deterministic exponential's arithmetic, for one double or four lanes at a time
#pragma once

#include <cstdint>
#include <cstring>

namespace exp_detail {

// Four doubles, one AVX2 register; without AVX2 the compiler splits each
// operation into two SSE2 halves, lane for lane the same arithmetic.
typedef double Lanes __attribute__((vector_size(32)));
typedef std::uint64_t LaneBits __attribute__((vector_size(32)));
constexpr int LANES = 4;

// e^x = 2^(k/128) e^r with k = round(x * 128 / ln 2) and |r| <= ln 2 / 256.
constexpr int TABLE_BITS = 7;
constexpr int TABLE_SIZE = 1 << TABLE_BITS;
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

struct TableEntry {
  double hi;
  double tail;
};
extern const TableEntry POWERS_OF_TWO[TABLE_SIZE];

[[gnu::always_inline]] inline void look_up(std::uint64_t j, double& hi, double& tail) {
  hi = POWERS_OF_TWO[j].hi;
  tail = POWERS_OF_TWO[j].tail;
}
// Each lane's entry, hi and tail together, is one 16-byte load, and a few
// shuffles sort the four entries into the his and the tails; eight single
// loads, each inserted into its lane, took a sixth longer per exponential.
[[gnu::always_inline]] inline void look_up(const LaneBits& j, Lanes& hi, Lanes& tail) {
  typedef double Pair __attribute__((vector_size(16)));
  static_assert(sizeof(Pair) == sizeof(TableEntry));
  Pair entries[LANES];
  for (int l = 0; l < LANES; ++l) {
    std::memcpy(&entries[l], &POWERS_OF_TWO[j[l]], sizeof(Pair));
  }
  const Lanes even = __builtin_shufflevector(entries[0], entries[2], 0, 1, 2, 3);
  const Lanes odd = __builtin_shufflevector(entries[1], entries[3], 0, 1, 2, 3);
  hi = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
  tail = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
}

// e^x for |x| < ORDINARY_LIMIT. One template for the scalar and the lanes, so
// both take the same operations in the same order. The power 2^(k/128) is
// hi (1 + tail); e^r - 1 is its Taylor polynomial to r^5, which leaves out
// less than 2^-60 of the result; so the result is the sum's final rounding
// plus a few thousandths of a unit in the last place.
template <typename Real, typename Bits>
[[gnu::always_inline]] inline void exp_ordinary(const Real& x, const Bits& exponent_bias, Real& y) {
  const Real shifted = x * TABLE_SIZE_OVER_LN2 + ROUNDING_SHIFT;
  const Bits k_bits = __builtin_bit_cast(Bits, shifted);
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
  const Real scale = __builtin_bit_cast(
      Real, __builtin_bit_cast(Bits, hi) + ((k_bits - j) << EXPONENT_SHIFT) + exponent_bias);
  y = scale + scale * (tail + polynomial);
}

[[gnu::always_inline]] inline bool is_ordinary(double x) {
  return x < ORDINARY_LIMIT && x > -ORDINARY_LIMIT;
}

// NaN, infinities, and the sizes of x where the result overflows, is
// subnormal or underflows.
double exp_extreme(double x);

[[gnu::always_inline]] inline double exp_scalar(double x) {
  if (!is_ordinary(x)) return exp_extreme(x);
  double y;
  exp_ordinary(x, std::uint64_t{0}, y);
  return y;
}

[[gnu::always_inline]] inline void exp_lanes(const Lanes& x, Lanes& y) {
  const auto ordinary = (x < ORDINARY_LIMIT) & (x > -ORDINARY_LIMIT);
  if (ordinary[0] & ordinary[1] & ordinary[2] & ordinary[3]) {
    exp_ordinary(x, LaneBits{0, 0, 0, 0}, y);
    return;
  }
  for (int l = 0; l < LANES; ++l) y[l] = exp_scalar(x[l]);
}

}  // namespace exp_detail
