// The standard errors of the linking, the equated scores and the scale scores, and why any are missing
#include "precision/standard_errors.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/describe.h"
#include "precision/precision_parts.h"

namespace zol {

namespace {

constexpr double NONE = std::numeric_limits<double>::quiet_NaN();

double standard_error(double variance) {
  // Rounding can leave the variance of a quantity that hardly varies a little
  // below 0.
  return variance < 0.0 ? 0.0 : std::sqrt(variance);
}

// The slope of the conversion table's segment that the interpolation uses at
// score x: the first or the last beyond the table's ends, else the one that
// starts at or below x.
double conversion_slope(const Conversion& table, double x) {
  const std::size_t last = table.scale.size() - 2;
  std::size_t k = 0;
  if (x >= table.highest) {
    k = last;
  } else if (x > table.lowest) {
    double segment = std::floor((x - table.lowest) / table.increment);
    if (segment > static_cast<double>(last)) segment = static_cast<double>(last);
    k = static_cast<std::size_t>(segment);
  }
  return (table.scale[k + 1] - table.scale[k]) / table.increment;
}

// "0, 4 and 7" or "0, 4, 7 and 12 more" of the raw scores with no value.
std::string raw_scores(const std::vector<std::size_t>& missing) {
  constexpr std::size_t MOST_NAMED = 3;
  std::string text;
  const std::size_t named = std::min(missing.size(), MOST_NAMED);
  for (std::size_t k = 0; k < named; ++k) {
    if (k > 0) text += k + 1 == named && missing.size() == named ? " and " : ", ";
    text += std::to_string(missing[k]);
  }
  if (missing.size() > named) text += describe(" and %zu more", missing.size() - named);
  return text;
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
  source.options = &options;
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
  if (!missing.empty()) {
    findings.warn(about_run(describe("warning: the standard error of the true-score equivalent "
                                     "of raw score%s %s cannot be computed: the new form's test "
                                     "curve is flat at its theta",
                                     missing.size() == 1 ? "" : "s",
                                     raw_scores(missing).c_str())));
  }
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
  if (!missing.empty()) {
    findings.warn(about_run(describe("warning: the standard error of the observed-score "
                                     "equivalent of raw score%s %s cannot be computed: it lies "
                                     "in an interval of old-form scores of zero probability",
                                     missing.size() == 1 ? "" : "s",
                                     raw_scores(missing).c_str())));
  }
}

}  // namespace zol
