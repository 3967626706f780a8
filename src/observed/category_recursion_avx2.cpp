// The recursion over an item of K categories eight scores at a time in AVX2, with the plain
// path's bits
#include "observed/category_recursion.h"

#if ZOL_AVX2_KERNELS

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "irt/category_model.h"
#include "common/lanes.h"

namespace zol::category_recursion::avx2 {

namespace {

using lanes::Lanes;
using lanes::LANES;
// Blocks of lanes updated together. The sums of a score are short chains, so
// two blocks already keep the processor's adders busy; more measured no
// faster.
constexpr int WIDE_BLOCKS = 2;
constexpr std::ptrdiff_t WIDE = WIDE_BLOCKS * LANES;
// Items of up to this many categories get a path with their number of
// categories fixed at compile time: the terms' loop unrolled and every
// probability held in a register.
constexpr std::ptrdiff_t FIXED_CATEGORIES = 8;

// The plain path's sum for one score.
ZOL_ALWAYS_INLINE void update_one(double* w, std::ptrdiff_t x, const double* p,
                                  std::ptrdiff_t count) {
  const std::ptrdiff_t last = std::min(count - 1, x);
  double sum = w[x] * p[0];
  for (std::ptrdiff_t k = 1; k <= last; ++k) sum += w[x - k] * p[k];
  w[x] = sum;
}

// Scores low .. low + 4 * BLOCKS - 1 from entries low - (count - 1) and up,
// all loaded before any is stored; every lane adds its terms in order of k,
// as the plain path does. pk[k] holds p_k in every lane.
template <int BLOCKS, typename Count>
ZOL_ALWAYS_INLINE void update_blocks(double* w, std::ptrdiff_t low, Count count, const Lanes* pk) {
  Lanes sum[BLOCKS];
  for (int j = 0; j < BLOCKS; ++j) {
    Lanes here;
    lanes::load(w + low + j * LANES, here);
    sum[j] = here * pk[0];
  }
  for (std::ptrdiff_t k = 1; k < count; ++k) {
    for (int j = 0; j < BLOCKS; ++j) {
      Lanes below;
      lanes::load(w + low + j * LANES - k, below);
      sum[j] = sum[j] + below * pk[k];
    }
  }
  for (int j = 0; j < BLOCKS; ++j) lanes::store(w + low + j * LANES, sum[j]);
}

// Going down from the top score, as the plain path does; a block may read
// down to its lowest score less count - 1, which must not be below 0. Scores
// are peeled one at a time until the blocks' stores are aligned, which
// measured a few per cent faster.
template <typename Count>
ZOL_ALWAYS_INLINE void add(double* w, std::int32_t top, const double* p, Count count) {
  Lanes pk[MOST_CATEGORIES];
  for (std::ptrdiff_t k = 0; k < count; ++k) pk[k] = Lanes{} + p[k];
  for (std::ptrdiff_t x = top + 1; x < top + count; ++x) w[x] = 0.0;
  std::ptrdiff_t x = top + count - 1;
  if (x - (WIDE - 1) - (count - 1) >= 0) {
    while (reinterpret_cast<std::uintptr_t>(w + x - (LANES - 1)) % sizeof(Lanes) != 0) {
      update_one(w, x, p, count);
      --x;
    }
  }
  for (; x - (WIDE - 1) - (count - 1) >= 0; x -= WIDE) {
    update_blocks<WIDE_BLOCKS>(w, x - (WIDE - 1), count, pk);
  }
  for (; x - (LANES - 1) - (count - 1) >= 0; x -= LANES) {
    update_blocks<1>(w, x - (LANES - 1), count, pk);
  }
  for (; x >= 0; --x) update_one(w, x, p, count);
}

}  // namespace

__attribute__((target("avx2"))) void add_item(std::span<double> work, std::int32_t top,
                                              std::span<const double> p) {
  const auto count = static_cast<std::ptrdiff_t>(p.size());
  assert(count >= 1 && top >= 0 && work.size() >= static_cast<std::size_t>(top + count));
  double* const w = work.data();
  const double* const q = p.data();
  assert(count <= static_cast<std::ptrdiff_t>(MOST_CATEGORIES));
  switch (count) {
    case 2:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 2>{});
    case 3:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 3>{});
    case 4:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 4>{});
    case 5:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 5>{});
    case 6:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 6>{});
    case 7:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, 7>{});
    case 8:
      return add(w, top, q, std::integral_constant<std::ptrdiff_t, FIXED_CATEGORIES>{});
    default:
      return add(w, top, q, count);
  }
}

}  // namespace zol::category_recursion::avx2

#endif
