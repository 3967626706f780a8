// The equating pipeline: number-correct scoring, true-score and observed-score equating
#include "pipeline.h"

#include <algorithm>
#include <cmath>

#include "allocation.h"
#include "equipercentile.h"
#include "observed_score.h"
#include "true_score.h"

namespace {

bool all_finite(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Response scores of one form: correct_score (all 1.0) in the first n
// entries, then incorrect_score (all 0.0), in one block.
struct ResponseScores {
  std::unique_ptr<double[]> block;
  OneBasedView correct, incorrect;
};

bool number_correct_scores(std::int32_t n, ResponseScores& scores) {
  const auto items = static_cast<std::size_t>(n);
  scores.block = allocate_array<double>(2 * items);
  if (!scores.block) return false;
  std::fill_n(scores.block.get(), items, 1.0);
  std::fill_n(scores.block.get() + items, items, 0.0);
  scores.correct = one_based({scores.block.get(), items});
  scores.incorrect = one_based({scores.block.get() + items, items});
  return true;
}

// Running sums of a distribution in index order; the total is not rescaled.
void cumulate(std::span<const double> distribution, std::span<double> cumulative) {
  cumulative[0] = distribution[0];
  for (std::size_t i = 1; i < distribution.size(); ++i) {
    cumulative[i] = cumulative[i - 1] + distribution[i];
  }
}

}  // namespace

Status compute_equating_functions(std::int32_t n_new, std::int32_t n_old, std::int32_t n_theta,
                                  const ItemSet& new_form, const ItemSet& old_form,
                                  const ThetaDistribution& theta, ScoreVector observed_equated,
                                  ScoreVector true_equated, ScoreVector theta_equivalent,
                                  double* chance_score, ScoreVector new_distribution,
                                  ScoreVector old_distribution) {
  const auto new_count = static_cast<std::size_t>(n_new) + 1;
  const auto old_count = static_cast<std::size_t>(n_old) + 1;

  auto raw_scores = allocate_array<double>(new_count);
  if (!raw_scores) return 1;
  ResponseScores new_scores;
  if (!number_correct_scores(n_new, new_scores)) return 1;
  ResponseScores old_scores;
  if (!number_correct_scores(n_old, old_scores)) return 1;
  auto cumulative = allocate_array<double>(new_count + old_count);
  if (!cumulative) return 1;
  for (std::size_t i = 0; i < new_count; ++i) raw_scores[i] = static_cast<double>(i);

  const OneBasedView a_new = one_based(new_form.a()), b_new = one_based(new_form.b()),
                     c_new = one_based(new_form.c());
  const OneBasedView a_old = one_based(old_form.a()), b_old = one_based(old_form.b()),
                     c_old = one_based(old_form.c());

  const Status status =
      true_score_equate(a_new, b_new, c_new, a_old, b_old, c_old, n_new, n_old, n_new + 1,
                        {raw_scores.get(), new_count}, new_scores.correct, old_scores.correct,
                        new_scores.incorrect, old_scores.incorrect, true_equated.first(new_count),
                        theta_equivalent.first(new_count), chance_score);
  if (status != 0) return status;
  // Extreme parameters can overflow the model; such results are never reported.
  if (!std::isfinite(*chance_score) || !all_finite(true_equated.first(new_count)) ||
      !all_finite(theta_equivalent.first(new_count))) {
    return 1;
  }
  if (n_theta == 0) return 0;

  const OneBasedView points = one_based(theta.points()), weights = one_based(theta.weights());
  if (observed_score_distribution(a_new, b_new, c_new, n_new, new_distribution.first(new_count),
                                  points, weights, n_theta, 0.0, static_cast<double>(n_new), 1.0,
                                  new_scores.correct, new_scores.incorrect) != 0 ||
      observed_score_distribution(a_old, b_old, c_old, n_old, old_distribution.first(old_count),
                                  points, weights, n_theta, 0.0, static_cast<double>(n_old), 1.0,
                                  old_scores.correct, old_scores.incorrect) != 0) {
    return 1;
  }

  const std::span<double> new_cumulative(cumulative.get(), new_count);
  const std::span<double> old_cumulative(cumulative.get() + new_count, old_count);
  cumulate(new_distribution.first(new_count), new_cumulative);
  cumulate(old_distribution.first(old_count), old_cumulative);
  equipercentile_equate(n_new + 1, n_old + 1, 0.0, 1.0, new_cumulative, old_cumulative,
                        observed_equated.first(new_count));
  return all_finite(observed_equated.first(new_count)) ? 0 : 1;
}
