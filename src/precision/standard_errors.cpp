// The standard errors of the linking, the equated scores and the scale scores, and why any are missing
#include "precision/standard_errors.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/describe.h"
#include "precision/precision_parts.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

constexpr double NONE = std::numeric_limits<double>::quiet_NaN();

double standard_error(double variance) {
  // Rounding can leave the variance of a quantity that hardly varies a little
  // below 0.
  return variance < 0.0 ? 0.0 : std::sqrt(variance);
}

// The slope of the conversion table's segment that the interpolation uses at
// score x: beyond the highest raw score the last, else segment_index's.
double conversion_slope(const Conversion& table, double x) {
  const std::size_t k = x >= table.highest ? table.scale.size() - 2 : segment_index(x, table);
  return (table.scale[k + 1] - table.scale[k]) / table.increment;
}

// Warns that the standard error of the kind of equivalent ("true-score") of
// the raw scores missing cannot be computed, and why.
void warn_of_missing(const char* kind, const std::vector<std::size_t>& missing, const char* why,
                     Findings& findings) {
  if (missing.empty()) return;
  std::vector<std::string> named;
  for (std::size_t k = 0; k < missing.size() && k < MOST_LISTED; ++k) {
    named.push_back(std::to_string(missing[k]));
  }
  const std::string scores = listing(named, missing.size());
  findings.warn(
      about_run(describe("warning: the standard error of the %s equivalent of raw "
                         "score%s %s cannot be computed: %s",
                         kind, missing.size() == 1 ? "" : "s", scores.c_str(), why)));
}

void linking_errors(const PrecisionSource& source, Linking& linking, Findings& findings) {
  if (source.link == nullptr || !source.link->usable) {
    linking.A_se = linking.B_se = linking.AB_covariance = NONE;
    findings.warn(about_run("warning: the standard errors of A and B cannot be computed: the "
                            "linking criterion does not curve upward at its minimum"));
    return;
  }
  Gradient a = zero_gradient(source), b = zero_gradient(source), both = zero_gradient(source);
  a.A = 1.0;
  b.B = 1.0;
  both.A = both.B = 1.0;
  const double var_a = variance(source, a), var_b = variance(source, b);
  linking.A_se = standard_error(var_a);
  linking.B_se = standard_error(var_b);
  linking.AB_covariance = (variance(source, both) - var_a - var_b) / 2.0;
}

}  // namespace

void compute_standard_errors(const Records& records, const Options& options,
                             const LinkGradient* link, Results& results, Findings& findings) {
  PrecisionSource source;
  source.records = &records;
  source.results = &results;
  source.link = link;
  source.new_covariance = records.new_covariance ? &*records.new_covariance : nullptr;
  source.old_covariance = records.old_covariance ? &*records.old_covariance : nullptr;
  source.new_free = free_places(records.new_form, source.new_covariance);
  source.old_free = free_places(records.old_form, source.old_covariance);
  source.d = options.scaling_constant.value_or(DEFAULT_SCALING_CONSTANT);
  if (results.linking) linking_errors(source, *results.linking, findings);

  StandardErrors& errors = results.standard_errors.emplace();
  const TrueScoreEquating& t = results.true_score;
  std::vector<std::size_t> missing;
  for (std::size_t x = 0; x < t.equated.size(); ++x) {
    const std::optional<Gradient> g = true_score_gradient(source, x);
    const double v = g ? variance(source, *g) : NONE;
    const double se = std::isfinite(v) ? standard_error(v) : NONE;
    if (std::isnan(se)) missing.push_back(x);
    errors.true_score.push_back(se);
    errors.true_scale.push_back(std::fabs(conversion_slope(records.conversion, t.equated[x])) * se);
  }
  warn_of_missing("true-score", missing, "the new form's test curve is flat at its theta",
                  findings);
  if (!results.observed_score) return;
  const ObservedScoreEquating& o = *results.observed_score;
  missing.clear();
  const std::vector<std::optional<double>> variances = observed_score_variances(source);
  for (std::size_t x = 0; x < variances.size(); ++x) {
    const double se = variances[x] ? standard_error(*variances[x]) : NONE;
    if (std::isnan(se)) missing.push_back(x);
    errors.observed_score.push_back(se);
    errors.observed_scale.push_back(std::fabs(conversion_slope(records.conversion, o.equated[x])) *
                                    se);
  }
  warn_of_missing("observed-score", missing,
                  "it lies in an interval of old-form scores of zero probability", findings);
}

}  // namespace zol
