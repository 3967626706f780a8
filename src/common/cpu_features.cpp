// Which of the kernels' paths this processor runs
#include "common/cpu_features.h"

namespace zol {

namespace {

bool detect_avx2() {
#if ZOL_AVX2_KERNELS
  // Also checks that the operating system saves the AVX registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

}  // namespace

bool use_avx2_kernels() {
  static const bool avx2 = detect_avx2();
  return avx2;
}

}  // namespace zol
