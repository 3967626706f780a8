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
#include "equating/observed_equating.h"
#include "irt/gauss_hermite.h"
#include "irt/linking.h"
#include "irt/true_score.h"
#include "report/scale_conversion.h"

namespace zol {

namespace {

// The new group's weight in the synthetic population when the options give none.
constexpr double DEFAULT_SYNTHETIC_WEIGHT = 0.5;

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

// The quadrature's points carried to the old form's scale, theta -> A theta +
// B, with their weights.
Quadrature on_old_scale(const Quadrature& theta, const Linking& linking) {
  Quadrature carried = theta;
  for (double& point : carried.points) point = carried_location(point, linking.A, linking.B);
  return carried;
}

// Puts the new form on the old form's scale by the options' method: the
// linking, the carried items and the common items' drift into the results,
// and how the constants move with the common items when the standard errors
// need it.
Failure link_new_form(const Records& input, const Options& options, double d, Results& results,
                      std::optional<LinkGradient>& gradient) {
  // The criterion weighs the Gauss-Hermite rule when asked for, else the old
  // group's points (two groups), else the one population's; a symmetric one
  // also the rule or the new group's (or the one population's) on the new
  // scale.
  std::optional<Quadrature> gauss_hermite;
  if (options.link_quadrature) gauss_hermite = gauss_hermite_normal(*options.link_quadrature);
  const Quadrature* rule = gauss_hermite ? &*gauss_hermite : nullptr;
  LinkRequest request;
  request.method = *options.link;
  request.d = d;
  request.theta = rule ? rule : input.old_theta ? input.old_theta : input.theta;
  request.symmetric = options.symmetric;
  request.new_theta = rule ? rule : input.theta;
  request.excluded = options.excluded_common_items;
  const LinkSearch search = link_scales(input.new_form, input.old_form, request);
  if (search.status != LinkStatus::OK) {
    // A label to leave out that is no common item is a mistake of the
    // request, not of the numbers.
    const ErrorKind kind = search.status == LinkStatus::NOT_COMMON ? ErrorKind::INVALID_INPUT
                                                                  : ErrorKind::NOT_COMPUTABLE;
    return failure_of(kind, Stage::LINKING, explain_linking(search));
  }
  results.linking = Linking{search.method,       search.A,        search.B,
                            search.common_items, search.excluded, search.symmetric,
                            std::nullopt,        std::nullopt,    std::nullopt};
  results.linked_new_form = carried_form(input.new_form, *results.linking);
  // A parameter at the edge of the doubles can leave them when carried over;
  // the items would then be equated, and written back, as infinities.
  if (std::optional<Finding> cause = carried_beyond_doubles(*results.linked_new_form, search)) {
    return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::LINKING, std::move(*cause));
  }
  results.common_items = screen_common_items(input.new_form, input.old_form, search);
  if (input.new_covariance || input.old_covariance) {
    gradient = link_gradient(input.new_form, input.old_form, request, search);
  }
  return std::nullopt;
}

}  // namespace

Failure no_memory_to_equate(const Results& results) {
  return failure_of(ErrorKind::NO_MEMORY, Stage::EQUATING,
                    about_run(describe("not enough memory to equate %d raw scores",
                                       results.new_top_score + 1)));
}

Error failure_of(ErrorKind kind, Stage stage, Finding cause) {
  Error error;
  error.kind = kind;
  error.stage = stage;
  error.cause = std::move(cause);
  return error;
}

Failure compute_equating_functions(const Records& input, const Options& options,
                                   Results& results, std::optional<LinkGradient>& link) {
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
    if (Failure failed = link_new_form(input, options, d, results, link)) return failed;
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
    // Two groups: the new group's points are on the new form's scale, and
    // linking carries them to the old one.
    std::optional<Quadrature> new_group;
    Population population{input.theta, input.old_theta, 1.0};
    if (input.old_theta != nullptr) {
      population.new_weight = options.synthetic_weight.value_or(DEFAULT_SYNTHETIC_WEIGHT);
      results.synthetic_weight = population.new_weight;
      if (results.linking) {
        new_group = on_old_scale(*input.theta, *results.linking);
        population.theta = &*new_group;
      }
    }
    if (Failure failed =
            equate_observed_scores(input, population, new_form.view, old_form.view, results)) {
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
