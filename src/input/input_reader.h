// Reader of the sectioned input file: item sets, quadrature and conversion table
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/findings.h"
#include "common/records.h"

namespace zol {

// Reads the whole text of an input file and installs equal weights for a
// one-column quadrature; without a conversion section the conversion stays
// empty (row_count 0), for install_identity_conversion. Nothing when the
// input breaks a rule of the format or memory runs out; findings then say
// where and why. A successful read leaves there the values that are almost
// surely mistakes (an a of 0 or below, a c outside 0 to 1, a negative weight).
[[nodiscard]] std::optional<InputRecords> read_input(std::string_view text,
                                                     const ReadOptions& options,
                                                     Findings& findings);

// The identity on the old form's raw scores 0..n_old, the conversion of an
// input without one. False when memory runs out.
[[nodiscard]] bool install_identity_conversion(std::int32_t n_old, ScaleConversion& conversion);

// Why a conversion table of so many rows cannot stand on the grid from
// lowest to highest in steps of increment, as a table's header line would
// be refused; empty when it can.
std::string conversion_grid_problem(long long rows, double lowest, double highest,
                                    double increment);

// Allocates both columns of a table of rows on the grid from lowest in steps
// of increment (highest is its last row's raw score). False when memory runs out.
[[nodiscard]] bool allocate_conversion(long long rows, double lowest, double increment,
                                       ScaleConversion& conversion);

// Why an input file that cannot be read ahead is refused.
inline constexpr const char* NOT_A_REGULAR_FILE =
    "the input must be a regular file: its sections are counted before they are read, "
    "which a pipe, a terminal or a device cannot repeat";

// Why a default could not be installed.
inline constexpr const char* DEFAULTS_WITHOUT_MEMORY =
    "not enough memory for the default conversion or weights";

}  // namespace zol
