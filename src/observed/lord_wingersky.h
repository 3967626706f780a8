// Steps of the Lord-Wingersky recursion over many items: a plain path and, where the program has
// one, an AVX2 path
#pragma once

#include <cstdint>
#include <span>

namespace zol::lord_wingersky {

// Adds items first .. first + p.size() - 1 (numbered from 1, first >= 2) to
// the number-correct distribution in work, whose entries 0..first - 1 hold
// the distribution of the items before them; p holds the items'
// probabilities. Item i sets work[i] = P work[i - 1], then, for x = i - 1
// down to 1, work[x] = P work[x - 1] + Q work[x], and work[0] = Q work[0].
// Both paths give the same bits.
namespace plain {
void add_items(std::span<double> work, std::int32_t first, std::span<const double> p);
}

#if ZOL_AVX2_KERNELS
namespace avx2 {
void add_items(std::span<double> work, std::int32_t first, std::span<const double> p);
}
#endif

}  // namespace zol::lord_wingersky
