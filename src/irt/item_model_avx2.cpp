// The item model's loops four items at a time in AVX2, with the plain path's bits
#include "irt/item_kernels.h"

#if ZOL_AVX2_KERNELS

#include "common/lanes.h"
#include "irt/exp_table.h"

namespace zol::exp_core {

using lanes::LaneBits;
using lanes::Lanes;

ZOL_ALWAYS_INLINE void to_bits(const Lanes& x, LaneBits& bits) {
  bits = __builtin_bit_cast(LaneBits, x);
}
ZOL_ALWAYS_INLINE void from_bits(const LaneBits& bits, Lanes& x) {
  x = __builtin_bit_cast(Lanes, bits);
}

// Each lane's entry, hi and tail together, is one 16-byte load, and a few
// shuffles sort the four entries into the his and the tails; eight single
// loads, each inserted into its lane, took a sixth longer per exponential.
ZOL_ALWAYS_INLINE void look_up(const LaneBits& j, Lanes& hi, Lanes& tail) {
  typedef double Pair __attribute__((vector_size(16)));
  static_assert(sizeof(Pair) == sizeof(TableEntry));
  Pair entries[lanes::LANES];
  for (int l = 0; l < lanes::LANES; ++l) {
    std::memcpy(&entries[l], &POWERS_OF_TWO[j[l]], sizeof(Pair));
  }
  const Lanes even = __builtin_shufflevector(entries[0], entries[2], 0, 1, 2, 3);
  const Lanes odd = __builtin_shufflevector(entries[1], entries[3], 0, 1, 2, 3);
  hi = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
  tail = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
}

}  // namespace zol::exp_core

#include "irt/exp_core.h"

namespace zol::item_formulas {

// Lanes whose exponential is extreme take the scalar code, lane by lane.
ZOL_ALWAYS_INLINE void exp_of(const lanes::Lanes& x, lanes::Lanes& y) {
  const auto ordinary = (x < exp_core::ORDINARY_LIMIT) & (x > -exp_core::ORDINARY_LIMIT);
  if (ordinary[0] & ordinary[1] & ordinary[2] & ordinary[3]) {
    exp_core::exp_ordinary(x, lanes::LaneBits{0, 0, 0, 0}, y);
    return;
  }
  for (int l = 0; l < lanes::LANES; ++l) y[l] = exp_core::exp_scalar(x[l]);
}

}  // namespace zol::item_formulas

#include "irt/item_formulas.h"

namespace zol::item_kernels::avx2 {

namespace {

using lanes::Lanes;
using lanes::LANES;

// Four items' terms are computed at once, then added one by one in item
// order, exactly as the plain loop adds them; the remaining items take the
// plain loop itself.
template <bool SCORE, bool SLOPE>
__attribute__((target("avx2"))) ScoreAndSlope sum_items(double theta, const FormView& form) {
  item_formulas::Sums sums;
  std::size_t i = 0;
  for (; i + LANES <= form.a.size(); i += LANES) {
    item_formulas::ItemValues<Lanes> items;
    lanes::load(form.a.data() + i, items.a);
    lanes::load(form.b.data() + i, items.b);
    lanes::load(form.c.data() + i, items.c);
    Lanes score_terms, slope_terms;
    item_formulas::item_terms<SCORE, SLOPE>(theta, form.d, items, score_terms, slope_terms);
    for (int l = 0; l < LANES; ++l) {
      if constexpr (SCORE) sums.score += score_terms[l];
      if constexpr (SLOPE) sums.slope += slope_terms[l];
    }
  }
  item_formulas::add_items<SCORE, SLOPE>(theta, form, i, sums);
  return {sums.score, sums.slope};
}

}  // namespace

__attribute__((target("avx2"))) void exp_batch(std::span<const double> x, std::span<double> y) {
  std::size_t i = 0;
  for (; i + LANES <= x.size(); i += LANES) {
    Lanes in, out;
    lanes::load(x.data() + i, in);
    item_formulas::exp_of(in, out);
    lanes::store(y.data() + i, out);
  }
  for (; i < x.size(); ++i) y[i] = exp_core::exp_scalar(x[i]);
}

__attribute__((target("avx2"))) void probabilities(double theta, const FormView& items,
                                                   std::span<double> p) {
  std::size_t i = 0;
  for (; i + LANES <= p.size(); i += LANES) {
    Lanes a, b, c, probability;
    lanes::load(items.a.data() + i, a);
    lanes::load(items.b.data() + i, b);
    lanes::load(items.c.data() + i, c);
    item_formulas::probability(theta, items.d, a, b, c, probability);
    lanes::store(p.data() + i, probability);
  }
  for (; i < p.size(); ++i) {
    item_formulas::probability(theta, items.d, items.a[i], items.b[i], items.c[i], p[i]);
  }
}

ScoreAndSlope sums(double theta, const FormView& form, Wanted wanted) {
  switch (wanted) {
    case Wanted::SCORE:
      return sum_items<true, false>(theta, form);
    case Wanted::SLOPE:
      return sum_items<false, true>(theta, form);
    case Wanted::BOTH:
      break;
  }
  return sum_items<true, true>(theta, form);
}

}  // namespace zol::item_kernels::avx2

#endif
