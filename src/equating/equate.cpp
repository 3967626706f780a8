// The library's equating: records in, results and their warnings or an error out
#include <new>

#include "common/describe.h"
#include "common/errors.h"
#include "equating/pipeline.h"
#include "precision/standard_errors.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

Error explained(Error error, const std::string& name, const Options& options) {
  error.explanation = explanation_line(error, name, options.link);
  return error;
}

std::string z_text(const std::optional<double>& z) {
  return z ? describe("%.2f", *z) : std::string("none");
}

// The common items the linking used that look as if they drifted.
void warn_about_drift(const std::vector<CommonItem>& items, Findings& findings) {
  for (const CommonItem& item : items) {
    if (!item.used || !item.flagged) continue;
    findings.warn(about_run(describe("warning: common item %s may have drifted: the robust z of "
                                     "its b difference is %s and of its log a ratio %s; beyond "
                                     "%.1f either way is unusual",
                                     printable(item.label.c_str()).c_str(),
                                     z_text(item.b_robust_z).c_str(),
                                     z_text(item.a_robust_z).c_str(), CommonItem::DRIFT_Z)));
  }
}

}  // namespace

Expected<Results> equate(const Input& input, const Options& options) {
  try {
    Records records;
    if (Failure failed = check_records(input, options, records)) {
      return explained(*failed, input.name, options);
    }
    Findings findings;
    warn_about_records(records, findings);
    Results results;
    results.input_name = input.name;
    std::optional<LinkGradient> link;
    if (Failure failed = compute_equating_functions(records, options, results, link)) {
      return explained(*failed, input.name, options);
    }
    warn_about_drift(results.common_items, findings);
    if (records.new_covariance || records.old_covariance) {
      compute_standard_errors(records, options, link ? &*link : nullptr, results, findings);
    }
    // What the input's own table does to the scale scores; the identity that
    // stands in for a missing one clamps and extrapolates nothing of note.
    if (input.conversion) {
      warn_about_scale(records.conversion, results.true_score.equated,
                       results.observed_score
                           ? std::span<const double>(results.observed_score->equated)
                           : std::span<const double>(),
                       options.round_scale_unit.has_value(), findings);
    }
    results.warnings.kept = std::move(findings.warnings);
    results.warnings.not_kept = findings.warnings_not_kept;
    return results;
  } catch (const std::bad_alloc&) {
    return explained_error(ErrorKind::NO_MEMORY, Stage::EQUATING, about_run("not enough memory"),
                           input.name);
  }
}

}  // namespace zol
