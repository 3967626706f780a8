// The Gauss-Hermite quadrature rule of the standard normal distribution
#pragma once

#include "zol/zol.h"

namespace zol {

// The n-point Gauss-Hermite rule for the standard normal (n >= 1): the zeros
// of the n-th Hermite polynomial in ascending order, symmetric about 0, and
// their weights, which sum to 1; the rule integrates polynomials up to degree
// 2n - 1 exactly against the normal density. The same bits everywhere.
Quadrature gauss_hermite_normal(int n);

}  // namespace zol
