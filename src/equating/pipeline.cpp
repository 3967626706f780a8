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
#include "observed/equipercentile.h"
#include "irt/linking.h"
#include "observed/observed_score.h"
#include "report/scale_conversion.h"
#include "irt/true_score.h"

namespace zol {

namespace {

// A form as the stages take it: its 3PL items' parameters, those of its
// items of K categories, and the scaling constant. A form on its own scale
// with 3PL items alone is a view of its item set; one carried to another
// scale, or with items of K categories, keeps its own copies here.
struct ScoredForm {
  std::unique_ptr<double[]> block;
  std::vector<CategoryItem> partial_credit;
  std::vector<double> steps;
  FormView form;
};

bool score_form(const ItemSet& items, const std::optional<Linking>& linking, double d,
                ScoredForm& scored) {
  const auto n = static_cast<std::size_t>(items.count);
  if (items.models.empty()) {
    scored.form = FormView{items.a(), items.b(), items.c(), {}, d};
    if (!linking) return true;
    // theta_old = A theta_new + B: a / A and A b + B on the old form's scale.
    scored.block = allocate_array<double>(2 * n);
    if (!scored.block) return false;
    const std::span<double> a(scored.block.get(), n), b(scored.block.get() + n, n);
    carry_over(items, *linking, a, b);
    scored.form.a = a;
    scored.form.b = b;
    return true;
  }
  std::size_t three_pl = 0;
  for (std::size_t i = 0; i < n; ++i) three_pl += items.model(i) == ItemModel::THREE_PL ? 1 : 0;
  scored.block = allocate_array<double>(3 * three_pl);
  if (!scored.block) return false;
  double* const a = scored.block.get();
  double* const b = a + three_pl;
  double* const c = b + three_pl;
  scored.steps = items.steps;
  std::size_t next = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double slope = linking ? carried_slope(items.a()[i], *linking) : items.a()[i];
    if (items.model(i) == ItemModel::THREE_PL) {
      a[next] = slope;
      b[next] = linking ? carried_location(items.b()[i], *linking) : items.b()[i];
      c[next] = items.c()[i];
      ++next;
      continue;
    }
    const std::span<double> steps =
        std::span<double>(scored.steps).subspan(items.step_starts[i], items.steps_of(i).size());
    if (linking) {
      for (double& step : steps) step = carried_location(step, *linking);
    }
    scored.partial_credit.push_back({items.model(i), slope, steps});
  }
  scored.form = FormView{{a, three_pl}, {b, three_pl}, {c, three_pl}, scored.partial_credit, d};
  return true;
}

// Running sums of a distribution in index order; the total is not rescaled.
void cumulate(std::span<const double> distribution, std::span<double> cumulative) {
  cumulative[0] = distribution[0];
  for (std::size_t i = 1; i < distribution.size(); ++i) {
    cumulative[i] = cumulative[i - 1] + distribution[i];
  }
}

// Sizes every vector of the results: the new form's raw scores, and the old
// form's for its distribution.
bool allocate_results(const InputRecords& input, Results& results) {
  const auto new_count = static_cast<std::size_t>(results.new_top_score) + 1;
  const auto old_count = static_cast<std::size_t>(results.old_top_score) + 1;
  TrueScoreEquating& t = results.true_score;
  if (!allocate_vector(t.theta, new_count) || !allocate_vector(t.equated, new_count) ||
      !allocate_vector(t.scale.unrounded, new_count) ||
      !allocate_vector(t.scale.rounded, new_count)) {
    return false;
  }
  if (input.theta.count == 0) return true;
  ObservedScoreEquating& o = results.observed_score.emplace();
  return allocate_vector(o.new_distribution, new_count) &&
         allocate_vector(o.old_distribution, old_count) && allocate_vector(o.equated, new_count) &&
         allocate_vector(o.scale.unrounded, new_count) &&
         allocate_vector(o.scale.rounded, new_count);
}

Failure no_memory_to_equate(const Results& results) {
  return failure_of(ErrorKind::EQUATING_ERROR,
                    about_run(describe("not enough memory to equate %d raw scores",
                                       results.new_top_score + 1)));
}

Failure distribution_failure(DistributionStatus status, const InputRecords& input,
                             const Results& results, const ObservedScoreEquating& observed) {
  switch (status) {
    case DistributionStatus::OK:
      return std::nullopt;
    case DistributionStatus::NO_MEMORY:
      return no_memory_to_equate(results);
    case DistributionStatus::WEIGHT_TOTAL:
      return failure_of(ErrorKind::EQUATING_ERROR, explain_weight_total(input, observed));
    case DistributionStatus::UNUSABLE_FORM:
      break;
  }
  return failure_of(ErrorKind::EQUATING_ERROR, about_run("a form has no items to equate"));
}

// Observed-score equating of the scored forms over the input's quadrature.
Failure equate_observed_scores(const InputRecords& input, const FormView& new_form,
                               const FormView& old_form, Results& results) {
  ObservedScoreEquating& observed = *results.observed_score;
  const std::size_t new_count = observed.new_distribution.size();
  const std::size_t old_count = observed.old_distribution.size();
  auto cumulative = allocate_array<double>(new_count + old_count);
  if (!cumulative) return no_memory_to_equate(results);
  if (Failure failed = distribution_failure(
          observed_score_distribution(new_form, input.theta, observed.new_distribution), input,
          results, observed)) {
    return failed;
  }
  if (Failure failed = distribution_failure(
          observed_score_distribution(old_form, input.theta, observed.old_distribution), input,
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
bool converts_finitely(std::span<const double> scores, const ScaleConversion& table,
                       std::optional<double> round_scale_unit, ScaleScores& scale) {
  convert_to_scale(scores, table, scale.unrounded, scale.rounded);
  if (round_scale_unit) {
    round_on_reporting_scale(scale.unrounded, table, *round_scale_unit, scale.rounded);
  }
  return all_finite(scale.unrounded) && all_finite(scale.rounded);
}

// The new form's items carried to the old form's scale, as they are equated.
Form carried_form(const ItemSet& items, const Linking& linking) {
  const auto n = static_cast<std::size_t>(items.count);
  std::vector<double> a(n), b(n);
  carry_over(items, linking, a, b);
  Form form;
  form.items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (items.model(i) == ItemModel::THREE_PL) {
      form.items.emplace_back(items.label(i), a[i], b[i], items.c()[i]);
    } else {
      std::vector<double> steps;
      for (double step : items.steps_of(i)) steps.push_back(carried_location(step, linking));
      form.items.emplace_back(items.label(i), items.model(i), a[i], std::move(steps));
    }
  }
  return form;
}

// The first parameter of the carried items that is not a finite number.
std::optional<Finding> carried_beyond_doubles(const Form& carried, const LinkSearch& search) {
  for (const Item& item : carried.items) {
    std::vector<std::pair<std::string, double>> values = {{"a", item.a}, {"b", item.b}};
    for (std::size_t v = 0; v < item.steps.size(); ++v) {
      values.emplace_back(describe("b%zu", v + 1), item.steps[v]);
    }
    for (const auto& [name, value] : values) {
      if (!std::isfinite(value)) {
        return about_run(describe("--link %s: on the old scale (A = %g, B = %g) item %s has %s = "
                                  "%g, not a finite number",
                                  link_method_option(search.method), search.A, search.B,
                                  printable(item.label.c_str()).c_str(), name.c_str(), value));
      }
    }
  }
  return std::nullopt;
}

}  // namespace

Error failure_of(ErrorKind kind, Finding cause) {
  Error error;
  error.kind = kind;
  error.message = error_message(kind);
  error.cause = std::move(cause);
  return error;
}

Failure compute_equating_functions(const InputRecords& input, const Options& options,
                                   Results& results) {
  results.new_top_score = input.new_form.top_score();
  results.old_top_score = input.old_form.top_score();
  results.scaling_constant = options.scaling_constant;
  const double d = options.scaling_constant.value_or(DEFAULT_SCALING_CONSTANT);
  if (!allocate_results(input, results)) {
    return failure_of(ErrorKind::NO_MEMORY,
                      about_run(describe("not enough memory for the results of %d raw scores",
                                         results.new_top_score + 1)));
  }
  if (options.link) {
    const LinkSearch search =
        link_scales(input.new_form, input.old_form, input.theta, *options.link, d);
    if (search.status != LinkStatus::OK) {
      return failure_of(ErrorKind::EQUATING_ERROR, explain_linking(search));
    }
    results.linking = Linking{search.method, search.A, search.B, search.common_items};
    results.linked_new_form = carried_form(input.new_form, *results.linking);
    // A parameter at the edge of the doubles can leave them when carried over;
    // the items would then be equated, and written back, as infinities.
    if (std::optional<Finding> cause = carried_beyond_doubles(*results.linked_new_form, search)) {
      return failure_of(ErrorKind::EQUATING_ERROR, std::move(*cause));
    }
  }

  const auto new_count = static_cast<std::size_t>(results.new_top_score) + 1;
  auto raw_scores = allocate_array<double>(new_count);
  if (!raw_scores) return no_memory_to_equate(results);
  ScoredForm new_form, old_form;
  if (!score_form(input.new_form, results.linking, d, new_form) ||
      !score_form(input.old_form, std::nullopt, d, old_form)) {
    return no_memory_to_equate(results);
  }
  for (std::size_t i = 0; i < new_count; ++i) raw_scores[i] = static_cast<double>(i);

  TrueScoreEquating& true_score = results.true_score;
  TrueScoreTable table{0.0, true_score.equated, true_score.theta, 0};
  if (const RootStop stop =
          true_score_equate(new_form.form, old_form.form, {raw_scores.get(), new_count}, table);
      stop != RootStop::NONE) {
    Error error = failure_of(ErrorKind::NUMERIC_STOP,
                             explain_stop(stop, table.searched, input, new_form.form));
    error.message = root_stop_text(stop);
    return error;
  }
  true_score.chance_score = table.chance_score;
  // Extreme parameters can overflow the model; such results are never reported.
  if (!std::isfinite(true_score.chance_score) || !all_finite(true_score.equated) ||
      !all_finite(true_score.theta)) {
    return failure_of(ErrorKind::EQUATING_ERROR, explain_not_finite(input, results));
  }
  if (results.observed_score) {
    if (Failure failed =
            equate_observed_scores(input, new_form.form, old_form.form, results)) {
      return failed;
    }
    if (!all_finite(results.observed_score->equated)) {
      return failure_of(ErrorKind::EQUATING_ERROR, explain_not_finite(input, results));
    }
  }

  // Nothing is reported until every scale score is known to be finite.
  if (!converts_finitely(true_score.equated, input.conversion, options.round_scale_unit,
                         true_score.scale)) {
    return failure_of(ErrorKind::EQUATING_ERROR,
                      explain_scale(input, true_score.equated, true_score.scale));
  }
  if (results.observed_score) {
    ObservedScoreEquating& observed = *results.observed_score;
    if (!converts_finitely(observed.equated, input.conversion, options.round_scale_unit,
                           observed.scale)) {
      return failure_of(ErrorKind::EQUATING_ERROR,
                        explain_scale(input, observed.equated, observed.scale));
    }
  }
  return std::nullopt;
}

}  // namespace zol
