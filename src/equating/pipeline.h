// The equating pipeline: linking, true-score and observed-score equating, scale scores
#pragma once

#include <optional>

#include "common/records.h"

namespace zol {

// A stage's failure with its cause, or nothing when the stage succeeded.
using Failure = std::optional<Error>;

// The failure of a kind, with the kind's message and the cause.
Error failure_of(ErrorKind kind, Finding cause);

// Equates the input's forms under number-correct scoring into results, whose
// vectors it sizes: true-score equating always, and observed-score equating
// when the input has a quadrature; then the scale scores of both, rounded as
// the options say. With a linking method, the new form is first put on the
// old form's scale (a / A, A b + B, c for every item), and the linking and
// the carried items kept in the results. Fails when a stage fails or when any
// equated score, theta, chance score or scale score is not a finite number;
// nothing that is not finite is ever reported.
[[nodiscard]] Failure compute_equating_functions(const InputRecords& input,
                                                 const Options& options, Results& results);

}  // namespace zol
