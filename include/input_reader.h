// Reader of the sectioned input file: item sets, quadrature and conversion table
#pragma once

#include <cstdio>
#include <optional>

#include "findings.h"
#include "records.h"

namespace zol {

// Reads the whole input from the stream and installs the defaults (identity
// conversion on the old form's raw scores, equal weights for a one-column
// quadrature). Nothing when the input breaks a rule of the format or memory
// runs out; findings then say where and why. A successful read leaves there
// the values that are almost surely mistakes (an a of 0 or below, a c
// outside 0 to 1, a negative weight).
[[nodiscard]] std::optional<InputRecords> read_input(std::FILE* input, Findings& findings);

}  // namespace zol
