// Records the numerical stages share: a form as the kernels see it, score vectors, the true-score table
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "zol/zol.h"

namespace zol {

// A vector of doubles indexed by raw score 0..n of a form.
using ScoreVector = std::span<double>;

// A GPCM or GRM item as the numerics take it: its slope and its K - 1 step or
// boundary parameters, K = steps.size() + 1. A view: the steps belong to the
// caller.
struct CategoryItem {
  ItemModel model = ItemModel::GPCM;
  double a = 1.0;
  std::span<const double> steps;

  std::size_t categories() const { return steps.size() + 1; }
};

// A form as the numerical stages take it: its right/wrong (3PL) items, scored
// 0 and 1, as the parameters a, b and c of one length, numbered from 0; its
// items of K ordered categories, scored 0..K-1; and the scaling constant d of
// every model. A view: the arrays belong to whoever made them.
struct FormView {
  std::span<const double> a, b, c;
  std::span<const CategoryItem> partial_credit;
  double d = DEFAULT_SCALING_CONSTANT;

  // The highest raw score: 1 for each 3PL item, K - 1 for each other.
  std::int64_t top_score() const {
    std::int64_t top = static_cast<std::int64_t>(a.size());
    for (const CategoryItem& item : partial_credit) {
      top += static_cast<std::int64_t>(item.categories()) - 1;
    }
    return top;
  }
};

// True-score equating of every raw score 0..n_new of the new form: its
// theta (or a bracket end where it has none) and its old-form equivalent,
// and the new form's chance score. Views of vectors that the caller owns.
// searched is the index of the raw score whose theta was sought last: when a
// search cannot go on, the one it stopped at.
struct TrueScoreTable {
  double chance_score = 0.0;
  ScoreVector true_equated;
  ScoreVector theta_equivalent;
  std::size_t searched = 0;
};

}  // namespace zol
