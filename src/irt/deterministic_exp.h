// An exponential and a logarithm that give the same bits on every machine
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

// The natural logarithm of x, within a unit or two in the last place, from
// additions, multiplications, divisions and exact scalings by powers of two
// alone, so that it is the same everywhere: -infinity at 0, +infinity at
// +infinity, a NaN below 0 or for a NaN.
double deterministic_log(double x);

// deterministic_exp of every element of x into y, which has x's length. Uses
// AVX2 where the processor has it, with exactly the bits of the scalar call.
void deterministic_exp_batch(std::span<const double> x, std::span<double> y);

}  // namespace zol
