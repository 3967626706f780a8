// IRT true-score equating of the new form's raw scores onto the old form
#include "true_score.h"

#include <cassert>
#include <cstddef>

#include "item_model.h"
#include "root_finder.h"

namespace {

// The expected score and slope at a theta that every search evaluates.
struct FixedPoint {
  double theta = 0.0;
  double score = 0.0;
  double slope = 0.0;
};

// Every search starts with the bracket's two ends and its middle, whatever
// the target, and the target is only subtracted afterwards; evaluating the
// form there once per equating instead of once per search saves three of the
// eight or so evaluations that a search makes, without changing a bit.
constexpr std::size_t FIXED_POINTS = 3;

// A RootFunction gets nothing but theta, so the new form and the raw score
// being solved for wait here. The form and its fixed points are set once per
// equating, the target before each search.
struct TrueScoreContext {
  OneBasedView a;
  OneBasedView b;
  OneBasedView c;
  std::int32_t item_count = 0;
  OneBasedView incorrect_score;
  OneBasedView correct_score;
  double target = 0.0;
  FixedPoint fixed_points[FIXED_POINTS];
  std::size_t fixed_point_count = 0;
};

TrueScoreContext true_score_context;

void evaluate_fixed_points() {
  TrueScoreContext& form = true_score_context;
  // The middle is rtsafe's first estimate, 0.5 * (lo + hi).
  const double thetas[FIXED_POINTS] = {-THETA_LIMIT, THETA_LIMIT,
                                       0.5 * (-THETA_LIMIT + THETA_LIMIT)};
  for (std::size_t k = 0; k < FIXED_POINTS; ++k) {
    FixedPoint& point = form.fixed_points[k];
    point.theta = thetas[k];
    expected_score_and_slope(point.theta, form.a, form.b, form.c, form.item_count,
                             form.incorrect_score, form.correct_score, &point.score, &point.slope);
  }
  form.fixed_point_count = FIXED_POINTS;
}

// A form's expected score as theta goes to minus infinity, and its lowest and
// highest possible scores.
struct FormScores {
  double chance = 0.0;
  double min = 0.0;
  double max = 0.0;
};

FormScores form_scores(OneBasedView c, std::int32_t n, OneBasedView incorrect_score,
                       OneBasedView correct_score) {
  FormScores scores;
  for (std::int32_t i = 1; i <= n; ++i) {
    scores.chance += (1.0 - c[i]) * incorrect_score[i] + c[i] * correct_score[i];
    scores.min += incorrect_score[i];
    scores.max += correct_score[i];
  }
  return scores;
}

double& at(std::span<double> scores, std::int32_t k) {
  return scores[static_cast<std::size_t>(k)];
}

}  // namespace

void tcc_residual(double theta, double* f, double* df) {
  const TrueScoreContext& form = true_score_context;
  // Exact comparison: only the very thetas evaluated in advance may be looked up.
  for (std::size_t k = 0; k < form.fixed_point_count; ++k) {
    const FixedPoint& point = form.fixed_points[k];
    if (theta == point.theta) {
      *f = form.target - point.score;
      *df = -point.slope;
      return;
    }
  }
  double score = 0.0;
  double slope = 0.0;
  expected_score_and_slope(theta, form.a, form.b, form.c, form.item_count, form.incorrect_score,
                           form.correct_score, &score, &slope);
  *f = form.target - score;
  *df = -slope;
}

Status true_score_equate(OneBasedView a_new, OneBasedView b_new, OneBasedView c_new,
                         OneBasedView a_old, OneBasedView b_old, OneBasedView c_old,
                         std::int32_t n_new, std::int32_t n_old, std::int32_t count,
                         std::span<const double> raw_scores, OneBasedView correct_new,
                         OneBasedView correct_old, OneBasedView incorrect_new,
                         OneBasedView incorrect_old, std::span<double> true_equated,
                         std::span<double> theta_equivalent, double* chance_score) {
  true_score_context =
      TrueScoreContext{a_new, b_new, c_new, n_new, incorrect_new, correct_new, 0.0, {}, 0};
  const FormScores new_form = form_scores(c_new, n_new, incorrect_new, correct_new);
  const FormScores old_form = form_scores(c_old, n_old, incorrect_old, correct_old);
  *chance_score = new_form.chance;
  if (count < 1) return 0;
  assert(raw_scores.size() >= static_cast<std::size_t>(count));
  assert(true_equated.size() >= static_cast<std::size_t>(count));
  assert(theta_equivalent.size() >= static_cast<std::size_t>(count));
  const auto raw = [raw_scores](std::int32_t k) { return raw_scores[static_cast<std::size_t>(k)]; };
  const std::int32_t top = count - 1;

  // Scores up to and including index last_on_line have no theta: the expected
  // score never falls to the chance score or below at a finite theta. A score
  // equal to the chance score therefore stays on the line.
  std::int32_t last_on_line = 0;
  while (last_on_line < top && !(raw(last_on_line + 1) > new_form.chance)) ++last_on_line;

  // The line through (min_new, min_old) and (chance_new, chance_old). Exact
  // comparison: only a denominator of exactly 0 leaves the slope undefined.
  const double denominator = new_form.chance - new_form.min;
  const double slope = denominator == 0.0 ? 0.0 : (old_form.chance - old_form.min) / denominator;
  const double intercept = old_form.min - slope * new_form.min;

  // The first score above chance may still lie below the expected score at the
  // bottom of the bracket, where no root can be bracketed. Checked for that one
  // score only. When every score below the top is at or below chance there is
  // none to check.
  if (last_on_line < top) {
    evaluate_fixed_points();
    true_score_context.target = raw(last_on_line + 1);
    double f = 0.0;
    double df = 0.0;
    tcc_residual(-THETA_LIMIT, &f, &df);
    if (f < 0.0) ++last_on_line;
  }

  // Each search starts afresh from the middle of the bracket, so a score's
  // theta does not depend on the scores solved before it.
  for (std::int32_t m = last_on_line + 1; m < top; ++m) {
    true_score_context.target = raw(m);
    const double theta = rtsafe(tcc_residual, -THETA_LIMIT, THETA_LIMIT, THETA_TOLERANCE);
    at(theta_equivalent, m) = theta;
    at(true_equated, m) =
        expected_score(theta, a_old, b_old, c_old, n_old, incorrect_old, correct_old);
  }
  for (std::int32_t k = 0; k <= last_on_line; ++k) {
    at(true_equated, k) = slope * raw(k) + intercept;
    at(theta_equivalent, k) = -THETA_LIMIT;
  }
  // The top score has no finite theta; it maps to the old form's top score,
  // even when the line above has covered it.
  at(true_equated, top) = old_form.max;
  at(theta_equivalent, top) = THETA_LIMIT;
  return 0;
}
