// The library's equating: records in, results and their warnings or an error out
#include <new>

#include "common/errors.h"
#include "equating/pipeline.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

Error explained(Error error, const std::string& name, const Options& options) {
  error.explanation = explanation_line(error, name, options.link);
  return error;
}

}  // namespace

Expected<Results> equate(const Input& input, const Options& options) {
  try {
    Records records;
    if (Failure failed = check_records(input, records)) {
      return explained(*failed, input.name, options);
    }
    Findings findings;
    warn_about_records(records, findings);
    Results results;
    results.input_name = input.name;
    if (Failure failed = compute_equating_functions(records, options, results)) {
      return explained(*failed, input.name, options);
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
