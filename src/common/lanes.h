// Four doubles in one AVX2 register, for the vector paths of GCC and Clang on x86-64
#pragma once

#include <cstdint>
#include <cstring>

#include "common/inline.h"

namespace zol::lanes {

// Each operation on lanes is the same IEEE operation on every lane, so a
// lane computes exactly the bits that the plain code computes for one double.
typedef double Lanes __attribute__((vector_size(32)));
typedef std::uint64_t LaneBits __attribute__((vector_size(32)));
constexpr int LANES = 4;

ZOL_ALWAYS_INLINE void load(const double* values, Lanes& lanes) {
  std::memcpy(&lanes, values, sizeof lanes);
}

ZOL_ALWAYS_INLINE void store(double* values, const Lanes& lanes) {
  std::memcpy(values, &lanes, sizeof lanes);
}

}  // namespace zol::lanes
