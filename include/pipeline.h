// The equating pipeline: true-score equating and, with a quadrature, observed-score equating
#pragma once

#include <optional>

#include "records.h"

namespace zol {

enum class EquatingStatus {
  OK,
  NO_MEMORY,        // the pipeline's scratch or a distribution's work vector
  WEIGHT_TOTAL,     // the quadrature's weights do not sum to 1 within 0.1
  NOT_FINITE,       // a result is not a finite number: the model overflowed
  UNUSABLE_SCORES,  // a form's response scores do not fit its score grid
  LINK_FAILED,      // the new form's scale could not be linked to the old form's
};

// Equates the input's forms under number-correct scoring into the results'
// two tables, whose vectors hold n_new + 1 (the old distribution n_old + 1)
// entries: true-score equating always, and observed-score equating when the
// input has a quadrature. With a linking method, the new form is first put on
// the old form's scale (a / A, A b + B, c for every item) and the linking
// kept in the results. Fails when a stage fails or when any equated score,
// theta or the chance score is not a finite number.
[[nodiscard]] EquatingStatus compute_equating_functions(const InputRecords& input,
                                                        std::optional<LinkMethod> link,
                                                        RunResults& results);

}  // namespace zol
