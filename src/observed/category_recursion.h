// The Lord-Wingersky recursion over an item of K categories: a plain path and, where the program
// has one, an AVX2 path
#pragma once

#include <cstdint>
#include <span>

namespace zol::category_recursion {

// Adds one item of K = p.size() categories, scored 0..K-1 with probabilities
// p, to the score distribution in work, in place: entries 0..top hold the
// distribution of the items before it, and afterwards entries
// 0..top + K - 1 hold f(x) = sum_{k=0..K-1, 0 <= x-k <= top} f_before(x - k) p_k,
// the sum taken in order of k. work holds at least top + K entries. Both
// paths give the same bits.
namespace plain {
void add_item(std::span<double> work, std::int32_t top, std::span<const double> p);
}

#if ZOL_AVX2_KERNELS
namespace avx2 {
void add_item(std::span<double> work, std::int32_t top, std::span<const double> p);
}
#endif

// The dispatched path: AVX2 where the processor has it.
void add_item(std::span<double> work, std::int32_t top, std::span<const double> p);

}  // namespace zol::category_recursion
