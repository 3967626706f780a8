// The equating pipeline: linking, number-correct scoring, both equatings and their scale scores
#include "equating/pipeline.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "common/allocation.h"
#include "common/describe.h"
#include "common/finite.h"
#include "equating/explain.h"
#include "irt/linking.h"
#include "irt/true_score.h"
#include "observed/equipercentile.h"
#include "observed/observed_score.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

// Running sums of a distribution in index order; the total is not rescaled.
void cumulate(std::span<const double> distribution, std::span<double> cumulative) {
  cumulative[0] = distribution[0];
  for (std::size_t i = 1; i < distribution.size(); ++i) {
    cumulative[i] = cumulative[i - 1] + distribution[i];
  }
}

// Sizes every vector of the results: the new form's raw scores, and the old
// form's for its distribution.
bool allocate_results(const Records& input, Results& results) {
  const auto new_count = static_cast<std::size_t>(results.new_top_score) + 1;
  const auto old_count = static_cast<std::size_t>(results.old_top_score) + 1;
  TrueScoreEquating& t = results.true_score;
  if (!allocate_vector(t.theta, new_count) || !allocate_vector(t.equated, new_count) ||
      !allocate_vector(t.scale.unrounded, new_count) ||
      !allocate_vector(t.scale.rounded, new_count)) {
    return false;
  }
  if (input.theta == nullptr) return true;
  ObservedScoreEquating& o = results.observed_score.emplace();
  return allocate_vector(o.new_distribution, new_count) &&
         allocate_vector(o.old_distribution, old_count) && allocate_vector(o.equated, new_count) &&
         allocate_vector(o.scale.unrounded, new_count) &&
         allocate_vector(o.scale.rounded, new_count);
}

Failure no_memory_to_equate(const Results& results) {
  return failure_of(ErrorKind::NO_MEMORY, Stage::EQUATING,
                    about_run(describe("not enough memory to equate %d raw scores",
                                       results.new_top_score + 1)));
}

Failure distribution_failure(DistributionStatus status, const Records& input,
                             const Results& results, const ObservedScoreEquating& observed) {
  switch (status) {
    case DistributionStatus::OK:
      return std::nullopt;
    case DistributionStatus::NO_MEMORY:
      return no_memory_to_equate(results);
    case DistributionStatus::WEIGHT_TOTAL:
      return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                        explain_weight_total(input, observed));
    case DistributionStatus::UNUSABLE_FORM:
      break;
  }
  return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                    about_run("a form has no items to equate"));
}

// Observed-score equating of the scored forms over the input's quadrature.
Failure equate_observed_scores(const Records& input, const FormView& new_form,
                               const FormView& old_form, Results& results) {
  ObservedScoreEquating& observed = *results.observed_score;
  const std::size_t new_count = observed.new_distribution.size();
  const std::size_t old_count = observed.old_distribution.size();
  auto cumulative = allocate_array<double>(new_count + old_count);
  if (!cumulative) return no_memory_to_equate(results);
  if (Failure failed = distribution_failure(
          observed_score_distribution(new_form, *input.theta, observed.new_distribution), input,
          results, observed)) {
    return failed;
  }
  if (Failure failed = distribution_failure(
          observed_score_distribution(old_form, *input.theta, observed.old_distribution), input,
          results, observed)) {
    return failed;
  }
  const std::span<double> new_cumulative(cumulative.get(), new_count);
  const std::span<double> old_cumulative(cumulative.get() + new_count, old_count);
  cumulate(observed.new_distribution, new_cumulative);
  cumulate(observed.old_distribution, old_cumulative);
  equipercentile_equate(new_cumulative, old_cumulative, 0.0, 1.0, observed.equated);
  return std::nullopt;
}

// Scale scores of equated scores; false when any is not a finite number.
bool converts_finitely(std::span<const double> scores, const Conversion& table,
                       std::optional<double> round_scale_unit, ScaleScores& scale) {
  convert_to_scale(scores, table, scale.unrounded, scale.rounded);
  if (round_scale_unit) {
    round_on_reporting_scale(scale.unrounded, table, *round_scale_unit, scale.rounded);
  }
  return all_finite(scale.unrounded) && all_finite(scale.rounded);
}

// The new form's items carried to the old form's scale, as they are equated.
Form carried_form(const ItemTable& items, const Linking& linking) {
  Form form;
  form.items.reserve(items.size());
  for (const Item& item : items.items) {
    form.items.push_back(carried_item(item, linking.A, linking.B));
  }
  return form;
}

// The first parameter of the carried items that is not a finite number.
std::optional<Finding> carried_beyond_doubles(const Form& carried, const LinkSearch& search) {
  for (const Item& item : carried.items) {
    for (std::size_t k = 0; k < parameter_count(item); ++k) {
      const double value = parameter_value(item, k);
      if (!std::isfinite(value)) {
        return about_run(describe("on the old scale (A = %g, B = %g) item %s has %s = %g, not a "
                                  "finite number",
                                  search.A, search.B, printable(item.label.c_str()).c_str(),
                                  parameter_name(item, k).c_str(), value));
      }
    }
  }
  return std::nullopt;
}

}  // namespace

Error failure_of(ErrorKind kind, Stage stage, Finding cause) {
  Error error;
  error.kind = kind;
  error.stage = stage;
  error.cause = std::move(cause);
  return error;
}

Failure compute_equating_functions(const Records& input, const Options& options,
                                   Results& results) {
  results.new_top_score = static_cast<std::int32_t>(input.new_form.top_score);
  results.old_top_score = static_cast<std::int32_t>(input.old_form.top_score);
  results.scaling_constant = options.scaling_constant;
  const double d = options.scaling_constant.value_or(DEFAULT_SCALING_CONSTANT);
  if (!allocate_results(input, results)) {
    return failure_of(ErrorKind::NO_MEMORY, Stage::SIZING,
                      about_run(describe("not enough memory for the results of %d raw scores",
                                         results.new_top_score + 1)));
  }
  ItemTable linked_table;
  if (options.link) {
    const LinkSearch search =
        link_scales(input.new_form, input.old_form, {*options.link, d, input.theta});
    if (search.status != LinkStatus::OK) {
      return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::LINKING, explain_linking(search));
    }
    results.linking = Linking{search.method, search.A, search.B, search.common_items};
    results.linked_new_form = carried_form(input.new_form, *results.linking);
    // A parameter at the edge of the doubles can leave them when carried over;
    // the items would then be equated, and written back, as infinities.
    if (std::optional<Finding> cause = carried_beyond_doubles(*results.linked_new_form, search)) {
      return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::LINKING, std::move(*cause));
    }
    linked_table = item_table(*results.linked_new_form);
  }
  const ItemTable& new_items = results.linked_new_form ? linked_table : input.new_form;

  const auto new_count = static_cast<std::size_t>(results.new_top_score) + 1;
  auto raw_scores = allocate_array<double>(new_count);
  if (!raw_scores) return no_memory_to_equate(results);
  KernelForm new_form, old_form;
  if (!kernel_form(new_items, d, new_form) || !kernel_form(input.old_form, d, old_form)) {
    return no_memory_to_equate(results);
  }
  for (std::size_t i = 0; i < new_count; ++i) raw_scores[i] = static_cast<double>(i);

  TrueScoreEquating& true_score = results.true_score;
  TrueScoreTable table{0.0, true_score.equated, true_score.theta, 0};
  if (const RootStop stop =
          true_score_equate(new_form.view, old_form.view, {raw_scores.get(), new_count}, table);
      stop != RootStop::NONE) {
    return failure_of(stop == RootStop::NOT_BRACKETED ? ErrorKind::ROOT_NOT_BRACKETED
                                                      : ErrorKind::ROOT_NOT_CONVERGED,
                      Stage::EQUATING,
                      explain_stop(stop, table.searched, input, new_form.view));
  }
  true_score.chance_score = table.chance_score;
  // Extreme parameters can overflow the model; such results are never reported.
  if (!std::isfinite(true_score.chance_score) || !all_finite(true_score.equated) ||
      !all_finite(true_score.theta)) {
    return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                      explain_not_finite(input, results));
  }
  if (results.observed_score) {
    if (Failure failed =
            equate_observed_scores(input, new_form.view, old_form.view, results)) {
      return failed;
    }
    if (!all_finite(results.observed_score->equated)) {
      return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                        explain_not_finite(input, results));
    }
  }

  // Nothing is reported until every scale score is known to be finite.
  if (!converts_finitely(true_score.equated, input.conversion, options.round_scale_unit,
                         true_score.scale)) {
    return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                      explain_scale(input, true_score.equated, true_score.scale));
  }
  if (results.observed_score) {
    ObservedScoreEquating& observed = *results.observed_score;
    if (!converts_finitely(observed.equated, input.conversion, options.round_scale_unit,
                           observed.scale)) {
      return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                        explain_scale(input, observed.equated, observed.scale));
    }
  }
  return std::nullopt;
}

}  // namespace zol
