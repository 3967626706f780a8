// Records shared by every stage of a run: forms, quadrature, conversion table and results
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "zol/zol.h"

namespace zol {

// A vector of doubles indexed by raw score 0..n of a form.
using ScoreVector = std::span<double>;

// An item's label as read: at most 8 characters and a terminating NUL.
using Label = std::array<char, 9>;

// One form's items as read, numbered from 0: the parameters a
// (discrimination), b (difficulty) and c (lower asymptote) share one block of
// 3 * count doubles, a first, then b, then c; the labels, which name items to
// the user, are a block of their own.
struct ItemSet {
  std::int32_t count = 0;
  std::unique_ptr<double[]> block;
  std::unique_ptr<Label[]> labels;
  // Only in a form with items of K categories: each item's model, and the
  // steps of item i at steps[step_starts[i] .. step_starts[i + 1]). Such an
  // item keeps its slope in a and 0 in b and c.
  std::vector<ItemModel> models;
  std::vector<std::size_t> step_starts;
  std::vector<double> steps;

  std::span<const double> a() const { return part(0); }
  std::span<const double> b() const { return part(1); }
  std::span<const double> c() const { return part(2); }
  const char* label(std::size_t i) const { return labels[i].data(); }
  ItemModel model(std::size_t i) const {
    return models.empty() ? ItemModel::THREE_PL : models[i];
  }
  // The highest raw score: 1 for each 3PL item, K - 1 for each other.
  std::int32_t top_score() const {
    std::size_t top = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < models.size(); ++i) {
      if (models[i] != ItemModel::THREE_PL) top += steps_of(i).size() - 1;
    }
    return static_cast<std::int32_t>(top);
  }
  std::span<const double> steps_of(std::size_t i) const {
    if (models.empty()) return {};
    return std::span<const double>(steps).subspan(step_starts[i],
                                                  step_starts[i + 1] - step_starts[i]);
  }

 private:
  std::span<const double> part(std::size_t k) const {
    const auto n = static_cast<std::size_t>(count);
    return block ? std::span<const double>(block.get() + k * n, n) : std::span<const double>();
  }
};

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

// The ability quadrature: count points (0 means none) and, when has_weights,
// count weights right after them in the same block.
struct ThetaDistribution {
  std::int32_t count = 0;
  bool has_weights = false;
  std::unique_ptr<double[]> block;

  std::span<const double> points() const {
    return block ? std::span<const double>(block.get(), static_cast<std::size_t>(count))
                 : std::span<const double>();
  }
  std::span<const double> weights() const {
    return block && has_weights
               ? std::span<const double>(block.get() + count, static_cast<std::size_t>(count))
               : std::span<const double>();
  }
};

// The old form's raw-to-scale conversion table on a regular raw-score grid:
// row k stands at lowest + k * increment, and highest is the last row's raw
// score. The same three values are the bounds and the unit of a rounded
// scale score. Owns its two columns; only the unrounded one is computed with.
struct ScaleConversion {
  std::int32_t row_count = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double increment = 0.0;
  std::int16_t flag = 0;
  std::int64_t header_line = 0;  // the line of its header in the input; 0 for the default
  std::unique_ptr<double[]> unrounded;
  std::unique_ptr<double[]> rounded;

  std::span<const double> scale_scores() const {
    return unrounded ? std::span<const double>(unrounded.get(), static_cast<std::size_t>(row_count))
                     : std::span<const double>();
  }
};

// Everything a run reads from its input file.
struct InputRecords {
  ItemSet new_form;
  ItemSet old_form;
  ThetaDistribution theta;
  ScaleConversion conversion;
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

enum class LinkStatus {
  OK,
  TOO_FEW_COMMON_ITEMS,  // fewer than 2 labels in both forms
  AMBIGUOUS_LABEL,       // a label twice in one form and also in the other
  NO_SLOPE,              // A is not a finite number above 0
  NOT_CONVERGED,         // the minimisation stopped short of the minimiser
  MODELS_DIFFER,         // a common item has another model or K in the other form
};

// The search for theta_old = A theta_new + B on the common items: those whose labels
// (as the reader cuts them) stand in both forms. The fields after status
// say where a failure stands: the common items found, the ambiguous label,
// and the constants and criterion that the minimisation reached.
struct LinkSearch {
  LinkMethod method = LinkMethod::STOCKING_LORD;
  LinkStatus status = LinkStatus::OK;
  double A = 1.0;
  double B = 0.0;
  std::int32_t common_items = 0;
  std::string ambiguous_label;  // or the common item whose models differ
  double criterion = 0.0;
  int steps = 0;  // steps of the minimisation taken
};

}  // namespace zol
