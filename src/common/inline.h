// Forced inlining, which the vector paths need: only code inlined into a
// function compiled for AVX2 is compiled for AVX2
#pragma once

#if defined(_MSC_VER) && !defined(__clang__)
#define ZOL_ALWAYS_INLINE __forceinline
#else
#define ZOL_ALWAYS_INLINE [[gnu::always_inline]] inline
#endif
