// Which of the kernels' paths this processor runs
#pragma once

namespace zol {

// True where the program has AVX2 kernels (x86-64, built with GCC or Clang)
// and the processor and the operating system support AVX2. Both paths give
// the same bits; the AVX2 one is faster.
bool use_avx2_kernels();

}  // namespace zol
