// Writers of the results report: banner, true-score table, observed-score tables
#include "report/report.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "common/text.h"
#include "zol/version.h"

namespace zol {

namespace {

// The two scale-score columns that end every equating table line.
void write_scale_columns(std::string& report, const ScaleScores& scale, std::size_t at) {
  appendf(report, "    %9.4lf       %7.2lf\n", scale.unrounded[at], scale.rounded[at]);
}

}  // namespace

void write_banner(std::string& report, const char* input_name) {
  appendf(report, "ZOL %s\nInput file: %s\n\n", ZOL_VERSION, input_name);
}

void write_scaling_constant(std::string& report, double d) {
  appendf(report, "Scaling constant D = %.4f\n\n", d);
}

void write_linking(std::string& report, const Linking& linking) {
  appendf(report, "Scale linking by the %s%s method on %d common items",
          linking.symmetric ? "symmetric " : "", link_method_title(linking.method),
          linking.common_items);
  if (linking.excluded > 0) appendf(report, " (%d excluded)", linking.excluded);
  appendf(report, "\nA = %.6f  B = %.6f\n", linking.A, linking.B);
  if (linking.A_se) {
    // Dashes for what cannot be computed, as wide as the numbers.
    const auto number = [&](const char* format, double value, const char* dashes) {
      if (std::isfinite(value)) {
        appendf(report, format, value);
      } else {
        report += dashes;
      }
    };
    const double se_a = *linking.A_se, se_b = *linking.B_se;
    report += "SE(A) = ";
    number("%.6f", se_a, "--------");
    report += "  SE(B) = ";
    number("%.6f", se_b, "--------");
    report += "  Corr(A, B) = ";
    number("%.4f", *linking.AB_covariance / (se_a * se_b), "------");
    report += "\n";
  }
  report += "\n";
}

void write_synthetic_population(std::string& report, double new_weight) {
  appendf(report, "Synthetic population: weight %.4f on the new group, %.4f on the old group\n\n",
          new_weight, 1.0 - new_weight);
}

void write_true_score_report(std::string& report, const TrueScoreEquating& table) {
  const ScaleScores& scale = table.scale;
  const std::size_t scores = table.equated.size();
  assert(table.theta.size() == scores);
  assert(scale.unrounded.size() >= scores && scale.rounded.size() >= scores);

  appendf(report, "Results for True Score Equating\n\n");
  appendf(report, "Sum of c parameters: %.4lf\n\n", table.chance_score);
  appendf(report, " Raw      Theta      True Score    Unrounded       Rounded\n");
  appendf(report, "Score   Equivalent   Equivalent   Scale Score    Scale Score\n");
  for (std::size_t i = 0; i < scores; ++i) {
    const double theta = table.theta[i];
    const auto raw = static_cast<long>(i);
    // The bracket ends mark raw scores that have no theta of their own.
    if (theta > -THETA_LIMIT && theta < THETA_LIMIT) {
      appendf(report, "%3ld     %9.4lf   %9.4lf", raw, theta, table.equated[i]);
    } else {
      appendf(report, "%3ld     ---------   %9.4lf", raw, table.equated[i]);
    }
    write_scale_columns(report, scale, i);
  }
}

void write_observed_score_report(std::string& report, const ObservedScoreEquating& table) {
  const ScaleScores& scale = table.scale;
  const std::size_t new_scores = table.new_distribution.size();
  const std::size_t old_scores = table.old_distribution.size();
  assert(table.equated.size() == new_scores);
  assert(scale.unrounded.size() >= new_scores && scale.rounded.size() >= new_scores);

  appendf(report, "\n\nResults for Observed Score Equating\n\n");
  appendf(report, " Raw     Equated      Unrounded       Rounded\n");
  appendf(report, "Score   Raw Score    Scale Score    Scale Score\n");
  for (std::size_t i = 0; i < new_scores; ++i) {
    appendf(report, "%3ld    %9.4lf", static_cast<long>(i), table.equated[i]);
    write_scale_columns(report, scale, i);
  }

  appendf(report, "\n\nFitted observed score distributions\n\n");
  appendf(report, " Raw\n");
  appendf(report, "Score     New Form       Old Form\n");
  const std::size_t scores = std::max(new_scores, old_scores);
  for (std::size_t i = 0; i < scores; ++i) {
    appendf(report, "%3ld      ", static_cast<long>(i));
    // A form shorter than the other leaves its column blank, as wide as a filled one.
    if (i < new_scores) {
      appendf(report, "%10.8lf     ", table.new_distribution[i]);
    } else {
      appendf(report, "               ");
    }
    if (i < old_scores) {
      appendf(report, "%10.8lf", table.old_distribution[i]);
    } else {
      appendf(report, "          ");
    }
    appendf(report, "\n");
  }
}

void write_standard_errors(std::string& report, const StandardErrors& errors) {
  const bool observed = !errors.observed_score.empty();
  appendf(report, "\n\nStandard Errors of Equating\n\n");
  appendf(report, " Raw%12s%13s", "True Score", "Unrounded");
  if (observed) appendf(report, "%13s%13s", "Observed", "Unrounded");
  appendf(report, "\nScore%11s%13s", "Equivalent", "Scale Score");
  if (observed) appendf(report, "%13s%13s", "Raw Score", "Scale Score");
  report += "\n";
  const auto cell = [&](double value) {
    if (std::isfinite(value)) {
      appendf(report, "%13.4lf", value);
    } else {
      appendf(report, "%13s", "---------");
    }
  };
  for (std::size_t i = 0; i < errors.true_score.size(); ++i) {
    appendf(report, "%3ld", static_cast<long>(i));
    cell(errors.true_score[i]);
    cell(errors.true_scale[i]);
    if (observed) {
      cell(errors.observed_score[i]);
      cell(errors.observed_scale[i]);
    }
    report += "\n";
  }
}

}  // namespace zol
