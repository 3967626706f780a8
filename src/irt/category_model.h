// Items of K ordered categories: generalized partial credit and graded response
#pragma once

#include <cstddef>
#include <span>

#include "irt/item_model.h"
#include "zol/zol.h"

namespace zol {

// The most categories an item may have.
inline constexpr std::size_t MOST_CATEGORIES = 100;

// CategoryItem, a GPCM or GRM item as the numerics take it, is one of the
// records (records.h).

// The item's category probabilities P_0..P_(K-1) at theta with scaling
// constant d, into p (K entries). For any finite parameters none is negative
// or not a number, they sum to 1 to rounding, and a category far in a tail
// keeps its relative precision instead of coming out as 0 - 0. Only
// additions, subtractions, multiplications, divisions and deterministic_exp,
// so that every platform gives the same bits.
void category_probabilities(double theta, const CategoryItem& item, double d, std::span<double> p);

// The same probabilities with their first and second derivatives in theta,
// into p, dp and d2p (K entries each).
void category_derivatives(double theta, const CategoryItem& item, double d, std::span<double> p,
                          std::span<double> dp, std::span<double> d2p);

// The item's expected score sum_k k P_k(theta) and its derivative in theta.
ScoreAndSlope expected_item_score(double theta, const CategoryItem& item, double d);

}  // namespace zol
