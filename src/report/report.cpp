// Placeholder until the report writers land
#include "report.h"

void write_banner(std::FILE*, const char*) {}
void write_true_score_report(std::FILE*, std::int32_t, std::span<const double>,
                             std::span<const double>, double, const ScaleConversion&) {}
void write_observed_score_report(std::FILE*, std::int32_t, std::int32_t, std::span<const double>,
                                 std::span<const double>, std::span<const double>,
                                 const ScaleConversion&) {}
