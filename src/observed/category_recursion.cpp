// The Lord-Wingersky recursion over an item of K categories: the plain path and the dispatch
#include "observed/category_recursion.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "common/cpu_features.h"

namespace zol::category_recursion {

namespace plain {

// Going down from the top score, f(x) reads only entries at or below x, none
// of them written yet. The entries above top start at 0, so every score sums
// its terms from k = 0: a leading 0 + t is exactly t, which keeps the sum in
// order of k and the same code for every score.
void add_item(std::span<double> work, std::int32_t top, std::span<const double> p) {
  const auto count = static_cast<std::ptrdiff_t>(p.size());
  assert(count >= 1 && top >= 0 && work.size() >= static_cast<std::size_t>(top + count));
  double* const w = work.data();
  for (std::ptrdiff_t x = top + 1; x < top + count; ++x) w[x] = 0.0;
  for (std::ptrdiff_t x = top + count - 1; x >= 0; --x) {
    const std::ptrdiff_t last = std::min(count - 1, x);
    double sum = w[x] * p[0];
    for (std::ptrdiff_t k = 1; k <= last; ++k) sum += w[x - k] * p[static_cast<std::size_t>(k)];
    w[x] = sum;
  }
}

}  // namespace plain

void add_item(std::span<double> work, std::int32_t top, std::span<const double> p) {
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return avx2::add_item(work, top, p);
#endif
  plain::add_item(work, top, p);
}

}  // namespace zol::category_recursion
