// The rules of a form's covariance one by one, for the check of a record and the covariance file
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_table.h"
#include "precision/covariance.h"

namespace zol {

// The tolerances of the rules: s_ij and s_ji may differ by this much of the
// larger, and the smallest eigenvalue may lie this much of the largest below 0,
// so that a matrix printed to full precision by another program, or a
// singular one whose rounding leaves an eigenvalue a hair below 0, passes.
inline constexpr double SYMMETRY_TOLERANCE = 1e-9;
inline constexpr double EIGENVALUE_TOLERANCE = 1e-9;

// A form's items by label, to find the item a parameter's name means, and
// the form as causes name it ("the new form"). A view of the table, which
// must outlive it.
struct FormLabels {
  const ItemTable* table = nullptr;
  std::string form;
  std::vector<std::size_t> by_label;  // item indices sorted by label, then by place
};
FormLabels form_labels(const ItemTable& table, std::string form);

// The place in the form's list of parameters of "LABEL:NAME" (see
// FormCovariance); the cause, quoting the name, when it names no parameter:
// no colon, no item of that label, a label that stands twice in the form, or
// a name that is not one of the item's parameter_names.
std::string parameter_place(const FormLabels& labels, std::string_view name, std::size_t& place);

// How many items are labelled label, 0, 1 or 2 for two or more, and the
// places of the first two.
std::size_t items_labelled(const FormLabels& labels, std::string_view label,
                           std::size_t (&places)[2]);

// The cause of a label that stands twice in the form, at those places.
std::string ambiguous_label(const FormLabels& labels, std::string_view label,
                            const std::size_t (&places)[2]);

// The cause of a name given again, as the first-th and again-th names (from 0).
std::string named_twice(std::string_view name, std::size_t first, std::size_t again);

// The parameters of an item as a cause lists them: "a, b and c", "a and b1",
// "a and b1 to b4".
std::string parameter_list(const Item& item);

// The matrix entry at row i, column j (from 0) of the parameters named names:
// the cause when it is not a finite number, or a variance below 0.
std::string entry_problem(std::span<const std::string> names, std::size_t i, std::size_t j,
                          double value);

// s_ij against s_ji (i > j): the cause when they differ by more than
// SYMMETRY_TOLERANCE of the larger.
std::string symmetry_problem(std::span<const std::string> names, std::size_t i, std::size_t j,
                             double s_ij, double s_ji);

// Whether the symmetric matrix of the lower triangle of matrix (names.size()
// squared entries, row by row, every one finite) has no eigenvalue below
// -EIGENVALUE_TOLERANCE times its largest; the cause when it has one. Decided
// by the same additions, multiplications, divisions and square roots
// everywhere, so that every platform accepts the same matrices.
std::string definiteness_problem(std::span<const std::string> names,
                                 std::span<const double> matrix);

// A fingerprint of the names and the matrix's bits (never 0), for
// Covariance::definite_fingerprint.
std::uint64_t covariance_fingerprint(std::span<const std::string> names,
                                     std::span<const double> matrix);

// covariance_problem's cause without the form's name before it, for a
// caller that names the matrix its own way; which names the form in it.
std::string covariance_fault(const Covariance& covariance, const ItemTable& form,
                             const std::string& which, FormCovariance& form_covariance);

// The parameter of row i (from 0) as causes name it: "row 3 (N01:c)".
std::string row_name(std::span<const std::string> names, std::size_t i);

}  // namespace zol
