// Writers of the results report: banner, true-score table, observed-score tables
#include "report.h"

#include <algorithm>
#include <cassert>

#include "linking.h"
#include "version.h"

namespace zol {

namespace {

// The two scale-score columns that end every equating table line.
void write_scale_columns(std::FILE* report, const ScaleScores& scale, std::size_t at) {
  std::fprintf(report, "    %9.4lf       %7.2lf\n", scale.unrounded[at], scale.rounded[at]);
}

}  // namespace

void write_banner(std::FILE* report, const char* input_name) {
  std::fprintf(report, "ZOL %s\nInput file: %s\n\n", ZOL_VERSION, input_name);
}

void write_linking(std::FILE* report, const Linking& linking) {
  std::fprintf(report, "Scale linking by the %s method on %d common items\n",
               link_method_title(linking.method), linking.common_items);
  std::fprintf(report, "A = %.6f  B = %.6f\n\n", linking.A, linking.B);
}

void write_true_score_report(std::FILE* report, const TrueScoreTable& table,
                             const ScaleScores& scale) {
  const std::size_t scores = table.true_equated.size();
  assert(table.theta_equivalent.size() == scores);
  assert(scale.unrounded.size() >= scores && scale.rounded.size() >= scores);

  std::fprintf(report, "Results for True Score Equating\n\n");
  std::fprintf(report, "Sum of c parameters: %.4lf\n\n", table.chance_score);
  std::fprintf(report, " Raw      Theta      True Score    Unrounded       Rounded\n");
  std::fprintf(report, "Score   Equivalent   Equivalent   Scale Score    Scale Score\n");
  for (std::size_t i = 0; i < scores; ++i) {
    const double theta = table.theta_equivalent[i];
    const auto raw = static_cast<long>(i);
    // The bracket ends mark raw scores that have no theta of their own.
    if (theta > -THETA_LIMIT && theta < THETA_LIMIT) {
      std::fprintf(report, "%3ld     %9.4lf   %9.4lf", raw, theta, table.true_equated[i]);
    } else {
      std::fprintf(report, "%3ld     ---------   %9.4lf", raw, table.true_equated[i]);
    }
    write_scale_columns(report, scale, i);
  }
}

void write_observed_score_report(std::FILE* report, const ObservedScoreTable& table,
                                 const ScaleScores& scale) {
  const std::size_t new_scores = table.new_distribution.size();
  const std::size_t old_scores = table.old_distribution.size();
  assert(table.observed_equated.size() == new_scores);
  assert(scale.unrounded.size() >= new_scores && scale.rounded.size() >= new_scores);

  std::fprintf(report, "\n\nResults for Observed Score Equating\n\n");
  std::fprintf(report, " Raw     Equated      Unrounded       Rounded\n");
  std::fprintf(report, "Score   Raw Score    Scale Score    Scale Score\n");
  for (std::size_t i = 0; i < new_scores; ++i) {
    std::fprintf(report, "%3ld    %9.4lf", static_cast<long>(i), table.observed_equated[i]);
    write_scale_columns(report, scale, i);
  }

  std::fprintf(report, "\n\nFitted observed score distributions\n\n");
  std::fprintf(report, " Raw\n");
  std::fprintf(report, "Score     New Form       Old Form\n");
  const std::size_t scores = std::max(new_scores, old_scores);
  for (std::size_t i = 0; i < scores; ++i) {
    std::fprintf(report, "%3ld      ", static_cast<long>(i));
    // A form shorter than the other leaves its column blank, as wide as a filled one.
    if (i < new_scores) {
      std::fprintf(report, "%10.8lf     ", table.new_distribution[i]);
    } else {
      std::fprintf(report, "               ");
    }
    if (i < old_scores) {
      std::fprintf(report, "%10.8lf", table.old_distribution[i]);
    } else {
      std::fprintf(report, "          ");
    }
    std::fprintf(report, "\n");
  }
}

}  // namespace zol
