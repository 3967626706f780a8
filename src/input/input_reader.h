// Reader of the sectioned input file: both forms, the quadrature and the conversion table
#pragma once

#include <optional>
#include <string_view>

#include "common/findings.h"
#include "zol/zol.h"

namespace zol {

// Reads the whole text of an input file into an input without a name: both
// forms, each item with the line of its record, and the quadrature (equal
// weights for a one-column one) and the conversion table when the file has
// them. Nothing when the input breaks a rule of the format or memory runs
// out; findings then say where and why. A successful read leaves there the
// values that are almost surely mistakes (an a of 0 or below, a c outside 0
// to 1, a negative weight) and the rules of the format that changed what was
// read.
[[nodiscard]] std::optional<Input> read_input(std::string_view text, const ReadOptions& options,
                                              Findings& findings);

// Why an input file that cannot be read ahead is refused.
inline constexpr const char* NOT_A_REGULAR_FILE =
    "the input must be a regular file: its sections are counted before they are read, "
    "which a pipe, a terminal or a device cannot repeat";

}  // namespace zol
