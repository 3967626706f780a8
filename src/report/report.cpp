// Writers of the results report: banner, true-score table, observed-score tables
#include "report.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

#include "version.h"

namespace {

// Tables cover raw scores 0..n inclusive.
[[maybe_unused]] bool covers(std::span<const double> values, std::int32_t n) {
  return n < 0 || static_cast<std::size_t>(n) < values.size();
}

// The two scale-score columns that end every equating table line.
void write_scale_columns(std::FILE* report, const ScaleConversion& output, std::size_t at) {
  std::fprintf(report, "    %9.4lf       %7.2lf\n", output.unrounded[at], output.rounded[at]);
}

}  // namespace

void write_banner(std::FILE* report, const char* input_name) {
  std::fprintf(report, "ZOL %s\nInput file: %s\n\n", ZOL_VERSION, input_name);
}

void write_true_score_report(std::FILE* report, std::int32_t n_new,
                             std::span<const double> theta_equivalent,
                             std::span<const double> true_equated, double chance_score,
                             const ScaleConversion& output) {
  assert(covers(theta_equivalent, n_new) && covers(true_equated, n_new));
  assert(covers(output.unrounded, n_new) && covers(output.rounded, n_new));

  std::fprintf(report, "Results for True Score Equating\n\n");
  std::fprintf(report, "Sum of c parameters: %.4lf\n\n", chance_score);
  std::fprintf(report, " Raw      Theta      True Score    Unrounded       Rounded\n");
  std::fprintf(report, "Score   Equivalent   Equivalent   Scale Score    Scale Score\n");
  for (long i = 0; i <= n_new; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const double theta = theta_equivalent[at];
    // The bracket ends mark raw scores that have no theta of their own.
    if (theta > -THETA_LIMIT && theta < THETA_LIMIT) {
      std::fprintf(report, "%3ld     %9.4lf   %9.4lf", i, theta, true_equated[at]);
    } else {
      std::fprintf(report, "%3ld     ---------   %9.4lf", i, true_equated[at]);
    }
    write_scale_columns(report, output, at);
  }
}

void write_observed_score_report(std::FILE* report, std::int32_t n_new, std::int32_t n_old,
                                 std::span<const double> observed_equated,
                                 std::span<const double> new_distribution,
                                 std::span<const double> old_distribution,
                                 const ScaleConversion& output) {
  assert(covers(observed_equated, n_new) && covers(new_distribution, n_new));
  assert(covers(old_distribution, n_old));
  assert(covers(output.unrounded, n_new) && covers(output.rounded, n_new));

  std::fprintf(report, "\n\nResults for Observed Score Equating\n\n");
  std::fprintf(report, " Raw     Equated      Unrounded       Rounded\n");
  std::fprintf(report, "Score   Raw Score    Scale Score    Scale Score\n");
  for (long i = 0; i <= n_new; ++i) {
    const auto at = static_cast<std::size_t>(i);
    std::fprintf(report, "%3ld    %9.4lf", i, observed_equated[at]);
    write_scale_columns(report, output, at);
  }

  std::fprintf(report, "\n\nFitted observed score distributions\n\n");
  std::fprintf(report, " Raw\n");
  std::fprintf(report, "Score     New Form       Old Form\n");
  const long top = std::max(n_new, n_old);
  for (long i = 0; i <= top; ++i) {
    const auto at = static_cast<std::size_t>(i);
    std::fprintf(report, "%3ld      ", i);
    // A form shorter than the other leaves its column blank, as wide as a filled one.
    if (i <= n_new) {
      std::fprintf(report, "%10.8lf     ", new_distribution[at]);
    } else {
      std::fprintf(report, "               ");
    }
    if (i <= n_old) {
      std::fprintf(report, "%10.8lf", old_distribution[at]);
    } else {
      std::fprintf(report, "          ");
    }
    std::fprintf(report, "\n");
  }
}
