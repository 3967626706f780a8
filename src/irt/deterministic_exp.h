// An exponential that gives the same bits on every machine
#pragma once

#include <span>

namespace zol {

// e^x, within one unit in the last place of the C library's exp over the
// whole double range and almost always equal to it: +infinity where e^x
// rounds past the largest double, 0 where it rounds below the smallest
// subnormal, a NaN for a NaN. Built from additions, multiplications and a
// table only, without fused multiply-adds, so unlike the library's exp, whose
// code differs between libraries and processors, it is the same everywhere.
double deterministic_exp(double x);

// deterministic_exp of every element of x into y, which has x's length. Uses
// AVX2 where the processor has it, with exactly the bits of the scalar call.
void deterministic_exp_batch(std::span<const double> x, std::span<double> y);

}  // namespace zol
