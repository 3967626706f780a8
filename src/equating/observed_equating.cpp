// Observed-score equating: the fitted distributions of each group and their synthetic population
#include "equating/observed_equating.h"

#include <array>
#include <vector>

#include "common/allocation.h"
#include "common/describe.h"
#include "equating/explain.h"
#include "observed/equipercentile.h"
#include "observed/observed_score.h"

namespace zol {

namespace {

// A group that takes both forms: its quadrature on the common scale, its name
// among two (null for the one population), and its fitted distributions of
// the new and the old form.
struct Group {
  const Quadrature* theta = nullptr;
  const char* name = nullptr;
  std::array<ScoreVector, 2> fitted;
};

// Both forms' fitted distributions in groups whose quadratures share their
// points, the new form's first: each conditional distribution is found once.
Failure fit(const Records& input, std::span<const Group> groups,
            const std::array<const FormView*, 2>& forms, const Results& results) {
  for (std::size_t f = 0; f < forms.size(); ++f) {
    std::vector<GroupDistribution> distributions;
    for (const Group& group : groups) {
      distributions.push_back({group.theta->weights, group.fitted[f]});
    }
    std::size_t failed = 0;
    switch (observed_score_distributions(*forms[f], groups[0].theta->points, distributions,
                                         failed)) {
      case DistributionStatus::OK:
        continue;
      case DistributionStatus::NO_MEMORY:
        return no_memory_to_equate(results);
      case DistributionStatus::WEIGHT_TOTAL: {
        const Group& group = groups[failed];
        return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                          explain_weight_total(input, {group.theta->weights, group.name,
                                                       group.fitted[0],
                                                       f == 0 ? ScoreVector() : group.fitted[1]}));
      }
      case DistributionStatus::UNUSABLE_FORM:
        return failure_of(ErrorKind::NOT_COMPUTABLE, Stage::EQUATING,
                          about_run("a form has no items to equate"));
    }
  }
  return std::nullopt;
}

}  // namespace

Failure equate_observed_scores(const Records& input, const Population& population,
                               const FormView& new_form, const FormView& old_form,
                               Results& results) {
  ObservedScoreEquating& observed = *results.observed_score;
  const std::size_t new_count = observed.new_distribution.size();
  const std::size_t old_count = observed.old_distribution.size();
  auto cumulative = allocate_array<double>(new_count + old_count);
  if (!cumulative) return no_memory_to_equate(results);
  const std::array<const FormView*, 2> forms = {&new_form, &old_form};
  const std::array<ScoreVector, 2> synthetic = {observed.new_distribution,
                                                 observed.old_distribution};
  if (population.old_theta == nullptr) {
    const Group one{population.theta, nullptr, synthetic};
    if (Failure failed = fit(input, {&one, 1}, forms, results)) return failed;
  } else {
    // Each group's distributions, then their mixture in the synthetic population.
    std::vector<double> new_group_new, new_group_old, old_group_new, old_group_old;
    if (!allocate_vector(new_group_new, new_count) || !allocate_vector(new_group_old, old_count) ||
        !allocate_vector(old_group_new, new_count) || !allocate_vector(old_group_old, old_count)) {
      return no_memory_to_equate(results);
    }
    const Group groups[] = {{population.theta, "new", {new_group_new, new_group_old}},
                            {population.old_theta, "old", {old_group_new, old_group_old}}};
    // Groups at the very same points share each point's conditional distributions.
    if (population.theta->points == population.old_theta->points) {
      if (Failure failed = fit(input, groups, forms, results)) return failed;
    } else {
      for (const Group& group : groups) {
        if (Failure failed = fit(input, {&group, 1}, forms, results)) return failed;
      }
    }
    const double w1 = population.new_weight, w2 = 1.0 - population.new_weight;
    for (std::size_t m = 0; m < new_count; ++m) {
      observed.new_distribution[m] = w1 * new_group_new[m] + w2 * old_group_new[m];
    }
    for (std::size_t m = 0; m < old_count; ++m) {
      observed.old_distribution[m] = w1 * new_group_old[m] + w2 * old_group_old[m];
    }
  }
  const std::span<double> new_cumulative(cumulative.get(), new_count);
  const std::span<double> old_cumulative(cumulative.get() + new_count, old_count);
  cumulate(observed.new_distribution, new_cumulative);
  cumulate(observed.old_distribution, old_cumulative);
  equipercentile_equate(new_cumulative, old_cumulative, 0.0, 1.0, observed.equated);
  return std::nullopt;
}

}  // namespace zol
