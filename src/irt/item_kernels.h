// The item model's loops over many items: a plain path and, where the program has one, an AVX2 path
#pragma once

#include <span>

#include "irt/item_model.h"
#include "common/records.h"

namespace zol::item_kernels {

// Which sums over a form's items are wanted.
enum class Wanted { SCORE, SLOPE, BOTH };

// Both paths give the same bits; item_model.cpp chooses between them.
namespace plain {
void exp_batch(std::span<const double> x, std::span<double> y);
void probabilities(double theta, const FormView& items, std::span<double> p);
ScoreAndSlope sums(double theta, const FormView& form, Wanted wanted);
}  // namespace plain

#if ZOL_AVX2_KERNELS
namespace avx2 {
void exp_batch(std::span<const double> x, std::span<double> y);
void probabilities(double theta, const FormView& items, std::span<double> p);
ScoreAndSlope sums(double theta, const FormView& form, Wanted wanted);
}  // namespace avx2
#endif

}  // namespace zol::item_kernels
