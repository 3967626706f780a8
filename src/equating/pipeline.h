// The equating pipeline: linking, true-score and observed-score equating, scale scores
#pragma once

#include <optional>

#include "common/findings.h"
#include "irt/linking.h"
#include "items/item_table.h"
#include "precision/covariance.h"

namespace zol {

// A stage's failure with its cause, or nothing when the stage succeeded.
using Failure = std::optional<Error>;

// The failure of a kind at a stage, with its cause.
Error failure_of(ErrorKind kind, Stage stage, Finding cause);

// The input as the stages take it, once its records are checked: both forms'
// item tables, the ability distribution (null without one), and the
// conversion table, on the grid its rows define (highest at its last row),
// or the identity on the old form's raw scores for an input without one.
struct Records {
  ItemTable new_form;
  ItemTable old_form;
  const Quadrature* theta = nullptr;
  const Quadrature* old_theta = nullptr;  // the old group's, beside theta, the new group's
  Conversion conversion;
  // The covariances of the forms' estimates by parameter, when given.
  std::optional<FormCovariance> new_covariance, old_covariance;
};

// Checks the input's records (why not usable, naming the form, the item and
// the field) and the options that depend on them, and makes the stages'
// records of them.
[[nodiscard]] Failure check_records(const Input& input, const Options& options,
                                    Records& records);

// What is almost always a mistake in records made in memory, as the reader
// warns of it in a file: the odd values of items and weights, labels that
// stand twice in a form.
void warn_about_records(const Records& records, Findings& findings);

// Equates the input's forms under number-correct scoring into results, whose
// vectors it sizes: true-score equating always, and observed-score equating
// when the input has a quadrature; then the scale scores of both, rounded as
// the options say. With a linking method, the new form is first put on the
// old form's scale (a / A, A b + B, c for every item), and the linking and
// the carried items kept in the results. Fails when a stage fails or when any
// equated score, theta, chance score or scale score is not a finite number;
// nothing that is not finite is ever reported.
// With a covariance of either form and a linking, link is how the linking's
// constants move with the common items' parameters.
[[nodiscard]] Failure compute_equating_functions(const Records& input, const Options& options,
                                                 Results& results,
                                                 std::optional<LinkGradient>& link);

// The failure of an equating that ran out of memory.
Failure no_memory_to_equate(const Results& results);

}  // namespace zol
