// The equating pipeline: number-correct scoring, true-score and observed-score equating
#include "pipeline.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/allocation.h"
#include "common/finite.h"
#include "equipercentile.h"
#include "linking.h"
#include "observed_score.h"
#include "true_score.h"

namespace zol {

namespace {

// A form under number-correct scoring: its items, and the response scores
// correct (all 1.0) and incorrect (all 0.0), which share one block; a form
// carried to another scale keeps its transformed a and b there too.
struct ScoredForm {
  std::unique_ptr<double[]> block;
  Form form;
};

bool score_number_correct(const ItemSet& items, const Linking* linking, ScoredForm& scored) {
  const auto n = static_cast<std::size_t>(items.count);
  scored.block = allocate_array<double>((linking != nullptr ? 4 : 2) * n);
  if (!scored.block) return false;
  double* const correct = scored.block.get();
  std::fill_n(correct, n, 1.0);
  std::fill_n(correct + n, n, 0.0);
  scored.form = Form{items.a(), items.b(), items.c(), {correct, n}, {correct + n, n}};
  if (linking != nullptr) {
    // theta_old = A theta_new + B: a / A and A b + B on the old form's scale.
    double* const a = correct + 2 * n;
    double* const b = correct + 3 * n;
    for (std::size_t i = 0; i < n; ++i) {
      a[i] = items.a()[i] / linking->A;
      b[i] = linking->A * items.b()[i] + linking->B;
    }
    scored.form.a = {a, n};
    scored.form.b = {b, n};
  }
  return true;
}

// Running sums of a distribution in index order; the total is not rescaled.
void cumulate(std::span<const double> distribution, std::span<double> cumulative) {
  cumulative[0] = distribution[0];
  for (std::size_t i = 1; i < distribution.size(); ++i) {
    cumulative[i] = cumulative[i - 1] + distribution[i];
  }
}

EquatingStatus status_of(DistributionStatus status) {
  switch (status) {
    case DistributionStatus::OK:
      return EquatingStatus::OK;
    case DistributionStatus::NO_MEMORY:
      return EquatingStatus::NO_MEMORY;
    case DistributionStatus::WEIGHT_TOTAL:
      return EquatingStatus::WEIGHT_TOTAL;
    case DistributionStatus::UNUSABLE_SCORES:
      break;
  }
  return EquatingStatus::UNUSABLE_SCORES;
}

}  // namespace

EquatingStatus compute_equating_functions(const InputRecords& input, std::optional<LinkMethod> link,
                                          RunResults& results) {
  const auto new_count = static_cast<std::size_t>(input.new_form.count) + 1;
  const auto old_count = static_cast<std::size_t>(input.old_form.count) + 1;
  TrueScoreTable& true_scores = results.true_scores;
  ObservedScoreTable& observed = results.observed_scores;
  if (link) {
    results.linking = link_scales(input.new_form, input.old_form, input.theta, *link);
    if (results.linking->status != LinkStatus::OK) return EquatingStatus::LINK_FAILED;
  }

  auto raw_scores = allocate_array<double>(new_count);
  if (!raw_scores) return EquatingStatus::NO_MEMORY;
  ScoredForm new_form, old_form;
  if (!score_number_correct(input.new_form, results.linking ? &*results.linking : nullptr,
                            new_form) ||
      !score_number_correct(input.old_form, nullptr, old_form)) {
    return EquatingStatus::NO_MEMORY;
  }
  auto cumulative = allocate_array<double>(new_count + old_count);
  if (!cumulative) return EquatingStatus::NO_MEMORY;
  for (std::size_t i = 0; i < new_count; ++i) raw_scores[i] = static_cast<double>(i);

  true_score_equate(new_form.form, old_form.form, {raw_scores.get(), new_count}, true_scores);
  // Extreme parameters can overflow the model; such results are never reported.
  if (!std::isfinite(true_scores.chance_score) ||
      !all_finite(true_scores.true_equated.first(new_count)) ||
      !all_finite(true_scores.theta_equivalent.first(new_count))) {
    return EquatingStatus::NOT_FINITE;
  }
  if (input.theta.count == 0) return EquatingStatus::OK;

  const ScoreGrid new_grid{0.0, static_cast<double>(input.new_form.count), 1.0};
  const ScoreGrid old_grid{0.0, static_cast<double>(input.old_form.count), 1.0};
  const ScoreVector new_distribution = observed.new_distribution.first(new_count);
  const ScoreVector old_distribution = observed.old_distribution.first(old_count);
  if (const EquatingStatus status = status_of(
          observed_score_distribution(new_form.form, input.theta, new_grid, new_distribution));
      status != EquatingStatus::OK) {
    return status;
  }
  if (const EquatingStatus status = status_of(
          observed_score_distribution(old_form.form, input.theta, old_grid, old_distribution));
      status != EquatingStatus::OK) {
    return status;
  }

  const std::span<double> new_cumulative(cumulative.get(), new_count);
  const std::span<double> old_cumulative(cumulative.get() + new_count, old_count);
  cumulate(new_distribution, new_cumulative);
  cumulate(old_distribution, old_cumulative);
  const ScoreVector equated = observed.observed_equated.first(new_count);
  equipercentile_equate(new_cumulative, old_cumulative, 0.0, 1.0, equated);
  return all_finite(equated) ? EquatingStatus::OK : EquatingStatus::NOT_FINITE;
}

}  // namespace zol
