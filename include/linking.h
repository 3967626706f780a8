// Linking the new form's scale to the old form's through common items
#pragma once

#include <optional>

#include "records.h"

namespace zol {

// The method's name as the report writes it ("Stocking-Lord"), and as the
// command line takes it ("stocking-lord").
const char* link_method_title(LinkMethod method);
const char* link_method_option(LinkMethod method);

// The method that the command line names, if any.
std::optional<LinkMethod> link_method_named(const char* option);

// Finds A and B by the method over the common items. The characteristic-
// curve methods (Haebara, Stocking-Lord) weigh the points of the input's
// ability distribution, or without one 41 points from -4 to 4 with normal
// weights, and minimise their criterion by Newton's method until A and B are
// within 1e-9 of the minimiser, starting from whichever of the mean-sigma
// constants, the mean-mean constants and (1, 0) has the lowest criterion
// among those with a finite A above 0 and a finite B.
[[nodiscard]] Linking link_scales(const ItemSet& new_form, const ItemSet& old_form,
                                  const ThetaDistribution& theta, LinkMethod method);

}  // namespace zol
