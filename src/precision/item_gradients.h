// An item's category probabilities and their derivatives in theta and in the item's own parameters
#pragma once

#include <cstddef>
#include <vector>

#include "items/item_table.h"

namespace zol {

// An item at one theta, scaling constant d: for each category c (a 3PL
// item's two, wrong and right; an item of K categories its K), its
// probability p[c], its derivative in theta dp_dtheta[c], and for each of the
// item's parameters j (in parameter_names order) dp[c * parameters + j] =
// dP_c / d gamma_j and dp_dtheta_dg[c * parameters + j] = d2 P_c / d theta
// d gamma_j. Vectors that are reused from item to item.
struct CategoryGradients {
  std::size_t categories = 0;
  std::size_t parameters = 0;
  std::vector<double> p, dp_dtheta, dp, dp_dtheta_dg;

  double derivative(std::size_t c, std::size_t j) const { return dp[c * parameters + j]; }
  double mixed(std::size_t c, std::size_t j) const { return dp_dtheta_dg[c * parameters + j]; }
};

void category_gradients(double theta, const Item& item, double d, CategoryGradients& out);

// The score a category earns: 0 and 1 for a 3PL item's, k for category k.
inline double category_score(std::size_t c) {
  return static_cast<double>(c);
}

}  // namespace zol
