// Reader of the sectioned input file: item sets, quadrature and conversion table
#pragma once

#include <cstdint>
#include <cstdio>

#include "records.h"

// Reads the whole input from the stream and installs the defaults (identity
// conversion on the old form's raw scores, equal weights for a one-column
// quadrature). Returns 0 on success; after a failure the records hold nothing.
[[nodiscard]] Status read_input(std::FILE* input, std::int32_t& n_new, std::int32_t& n_old,
                                std::int32_t& n_theta, ItemSet& new_form, ItemSet& old_form,
                                ThetaDistribution& theta, ScaleConversion& conversion);
