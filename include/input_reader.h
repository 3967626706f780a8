// Reader of the sectioned input file: item sets, quadrature and conversion table
#pragma once

#include <cstdio>
#include <optional>

#include "records.h"

namespace zol {

// Reads the whole input from the stream and installs the defaults (identity
// conversion on the old form's raw scores, equal weights for a one-column
// quadrature). Nothing when the input breaks a rule of the format or memory
// runs out.
[[nodiscard]] std::optional<InputRecords> read_input(std::FILE* input);

}  // namespace zol
