// Causes of the equating's failures in the words of the input format
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "common/findings.h"
#include "equating/pipeline.h"
#include "irt/linking.h"
#include "irt/root_finder.h"

namespace zol {

// Why linking failed: too few or ambiguous common items, no usable slope, or
// a minimisation that did not converge.
Finding explain_linking(const LinkSearch& link);

// A group's quadrature weights and the forms' distributions fitted in it by
// the time one's total was refused (the old form's empty when it was the new
// form's); group names the group among two, or is null for one population.
struct FittedGroup {
  std::span<const double> weights;
  const char* group = nullptr;
  std::span<const double> new_fitted, old_fitted;
};

// Why a fitted distribution's total was refused: the weights' total, or the
// form whose items pushed the recursion's entries out of range.
Finding explain_weight_total(const Records& input, const FittedGroup& fitted);

// Which result is not a finite number, and the parameter that overflows the model.
Finding explain_not_finite(const Records& input, const Results& results);

// Why the search for the theta of a raw score could not go on: the expected
// scores of the new form, as it was equated, at the bracket's ends and the
// items that make the root impossible, or the parameter that overflows the
// model.
Finding explain_stop(RootStop stop, std::size_t raw, const Records& input,
                     const FormView& new_form);

// Why a scale score is not a finite number: the rows of the conversion
// table whose slope overflows.
Finding explain_scale(const Records& input, std::span<const double> scores,
                      const ScaleScores& scale);

}  // namespace zol
