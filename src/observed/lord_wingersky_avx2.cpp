// The Lord-Wingersky recursion eight scores at a time in AVX2, with the plain path's bits
#include "observed/lord_wingersky.h"

#if ZOL_AVX2_KERNELS

#include <cassert>
#include <cstddef>

#include "common/lanes.h"

namespace zol::lord_wingersky::avx2 {

namespace {

using lanes::Lanes;
using lanes::LANES;
constexpr std::uintptr_t LANE_BYTES = sizeof(Lanes);

ZOL_ALWAYS_INLINE void update_one(double* work, std::int32_t x, double p, double q) {
  work[x] = p * work[x - 1] + q * work[x];
}

// work[x] = p * work[x - 1] + q * work[x] for x = top down to 1, every
// right-hand side taken from the previous item's values. Going down, the
// entries that a block reads lie at or below the ones it writes, and the
// blocks still to come read nothing that has been written, so each block
// loads its old values and then stores all eight new ones at once. Every lane
// does exactly the plain multiplications and addition, in the same order.
ZOL_ALWAYS_INLINE void step(double* work, std::int32_t top, double p, double q) {
  std::int32_t x = top;
  if (x >= 4 * LANES) {
    // Aligned stores are markedly faster; peel at most three scores so that
    // both stores of every block start on a 32-byte boundary.
    const auto base = reinterpret_cast<std::uintptr_t>(work);
    while ((base + sizeof(double) * static_cast<std::uintptr_t>(x - (LANES - 1))) % LANE_BYTES !=
           0) {
      update_one(work, x, p, q);
      --x;
    }
  }
  for (; x >= 2 * LANES; x -= 2 * LANES) {
    double* block = work + (x - 2 * LANES);  // scores x - 8 .. x
    Lanes below_low, here_low, below_high, here_high;
    lanes::load(block, below_low);
    lanes::load(block + 1, here_low);
    lanes::load(block + LANES, below_high);
    lanes::load(block + LANES + 1, here_high);
    const Lanes low = p * below_low + q * here_low;
    const Lanes high = p * below_high + q * here_high;
    lanes::store(block + 1, low);
    lanes::store(block + LANES + 1, high);
  }
  // Short forms spend most of a step here, on the last few scores.
  if (x >= LANES) {
    double* block = work + (x - LANES);  // scores x - 4 .. x
    Lanes below, here;
    lanes::load(block, below);
    lanes::load(block + 1, here);
    const Lanes updated = p * below + q * here;
    lanes::store(block + 1, updated);
    x -= LANES;
  }
  for (; x >= 1; --x) update_one(work, x, p, q);
}

}  // namespace

// One call runs many items, which matters for short forms, where an item's
// step is a few dozen scores.
__attribute__((target("avx2"))) void add_items(std::span<double> work, std::int32_t first,
                                               std::span<const double> p) {
  assert(work.size() >= first + p.size());
  double* const w = work.data();
  for (std::size_t k = 0; k < p.size(); ++k) {
    const std::int32_t i = first + static_cast<std::int32_t>(k);
    const double q = 1.0 - p[k];
    w[i] = p[k] * w[i - 1];
    step(w, i - 1, p[k], q);
    w[0] = q * w[0];
  }
}

}  // namespace zol::lord_wingersky::avx2

#endif
