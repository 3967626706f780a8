// The covariance of a form's parameter estimates as the standard errors take it
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "items/item_table.h"

namespace zol {

// A form's covariance by the place of each named parameter in the form's list
// of parameters (an index below ItemTable::parameter_count(), from
// ItemTable::first_parameter and the parameter's place among its item's
// parameter_names), and the matrix in that order, row by row.
struct FormCovariance {
  std::vector<std::size_t> parameters;
  std::vector<double> matrix;
};

// Where each parameter of a form (by its place in the form's list of
// parameters) stands among those the covariance names, or NOT_FREE: all are
// NOT_FREE without a covariance.
inline constexpr std::size_t NOT_FREE = static_cast<std::size_t>(-1);
std::vector<std::size_t> free_places(const ItemTable& form, const FormCovariance* covariance);

// Why the covariance cannot be used with the form (a name that is no
// parameter of the form, or is named twice; a matrix of the wrong size, not
// finite, not symmetric within 1e-9 of the larger of s_ij and s_ji, or with
// an eigenvalue below -1e-9 times its largest), in words that name the
// form; empty when it can, and then form_covariance holds it.
std::string covariance_problem(const Covariance& covariance, const ItemTable& form,
                               FormRole role, FormCovariance& form_covariance);

}  // namespace zol
