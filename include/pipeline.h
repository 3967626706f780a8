// The equating pipeline: true-score equating and, with a quadrature, observed-score equating
#pragma once

#include "records.h"

namespace zol {

enum class EquatingStatus {
  OK,
  NO_MEMORY,        // the pipeline's scratch or a distribution's work vector
  WEIGHT_TOTAL,     // the quadrature's weights do not sum to 1 within 0.1
  NOT_FINITE,       // a result is not a finite number: the model overflowed
  UNUSABLE_SCORES,  // a form's response scores do not fit its score grid
};

// Equates the input's forms under number-correct scoring into the two
// tables, whose vectors hold at least n_new + 1 (and the old distribution
// n_old + 1) entries: true-score equating always, and observed-score
// equating when the input has a quadrature. Fails when a stage fails or when
// any equated score, theta or the chance score is not a finite number.
[[nodiscard]] EquatingStatus compute_equating_functions(const InputRecords& input,
                                                        TrueScoreTable& true_scores,
                                                        ObservedScoreTable& observed);

}  // namespace zol
