// IRT true-score equating of the new form's raw scores onto the old form
#include "irt/true_score.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <limits>

#include "irt/category_model.h"
#include "irt/item_model.h"
#include "irt/root_finder.h"

namespace zol {

namespace {

// The expected score and slope at a theta that every search evaluates.
struct FixedPoint {
  double theta = 0.0;
  ScoreAndSlope value;
};

// Every search starts with the bracket's two ends and its middle (rtsafe's
// first estimate, 0.5 * (lo + hi)), whatever the target, and the target is
// only subtracted afterwards; evaluating the form there once per equating
// instead of once per search saves three of the eight or so evaluations that
// a search makes, without changing a bit.
using FixedPoints = std::array<FixedPoint, 3>;

FixedPoints evaluate_fixed_points(const FormView& form) {
  FixedPoints points;
  const double thetas[] = {-THETA_LIMIT, THETA_LIMIT, 0.5 * (-THETA_LIMIT + THETA_LIMIT)};
  for (std::size_t k = 0; k < points.size(); ++k) {
    points[k].theta = thetas[k];
    points[k].value = expected_score_and_slope(thetas[k], form);
  }
  return points;
}

// The root function of one true-score search: the target raw score minus the
// new form's expected score at theta, and minus the expected score's slope.
struct TccResidual {
  const FormView& form;
  const FixedPoints& fixed_points;
  double target;

  RootValue operator()(double theta) const {
    ScoreAndSlope value;
    bool found = false;
    // Exact comparison: only the very thetas evaluated in advance may be looked up.
    for (const FixedPoint& point : fixed_points) {
      if (theta == point.theta) {
        value = point.value;
        found = true;
        break;
      }
    }
    if (!found) value = expected_score_and_slope(theta, form);
    return {target - value.score, -value.slope};
  }
};

// A form's chance score, the sum of its c's; its lowest expected score
// within the bracket, the anchor of the line below it; and its lowest and
// highest possible scores.
struct FormScores {
  double chance = 0.0;
  double lowest = 0.0;
  double min = 0.0;
  double max = 0.0;
};

// A right/wrong item scores 0 or 1, and its expected score falls to c as
// theta goes to minus infinity; an item of K categories scores 0..K-1 and
// adds nothing to the chance score, as its lowest category takes all the
// probability in that limit. Within the bracket, though, a step or boundary
// far below -THETA_LIMIT keeps such an item at a higher category: its
// expected score at -THETA_LIMIT belongs to the lowest score that a theta of
// the bracket reaches.
FormScores form_scores(const FormView& form) {
  constexpr double WRONG_SCORE = 0.0, RIGHT_SCORE = 1.0;
  FormScores scores;
  for (std::size_t i = 0; i < form.c.size(); ++i) {
    const double c = form.c[i];
    scores.chance += (1.0 - c) * WRONG_SCORE + c * RIGHT_SCORE;
    scores.min += WRONG_SCORE;
    scores.max += RIGHT_SCORE;
  }
  double share = 0.0;
  for (const CategoryItem& item : form.partial_credit) {
    scores.max += static_cast<double>(item.categories() - 1);
    share += expected_item_score(-THETA_LIMIT, item, form.d).score;
  }
  scores.lowest = share < NEGLIGIBLE_SHARE ? scores.chance : scores.chance + share;
  return scores;
}

}  // namespace

RootStop true_score_equate(const FormView& new_form, const FormView& old_form,
                           std::span<const double> raw_scores, TrueScoreTable& table) {
  const FormScores new_scores = form_scores(new_form);
  const FormScores old_scores = form_scores(old_form);
  table.chance_score = new_scores.chance;
  if (raw_scores.empty()) return RootStop::NONE;
  assert(table.true_equated.size() >= raw_scores.size());
  assert(table.theta_equivalent.size() >= raw_scores.size());
  const std::size_t top = raw_scores.size() - 1;

  // Scores up to and including index last_on_line have no theta: the expected
  // score never falls to the lowest score of the bracket or below at a theta
  // inside it. A score equal to it therefore stays on the line.
  std::size_t last_on_line = 0;
  while (last_on_line < top && !(raw_scores[last_on_line + 1] > new_scores.lowest)) {
    ++last_on_line;
  }

  // The line through (min_new, min_old) and (lowest_new, lowest_old). Exact
  // comparison: only a denominator of exactly 0 leaves the slope undefined.
  // One so small that the quotient overflows (c's of some 1e-308) is taken
  // as 0 too: the line would stand upright over the new form's lowest score,
  // where raw score 0 keeps the old form's lowest, and infinity times 0 is
  // not a number.
  const double denominator = new_scores.lowest - new_scores.min;
  double slope = denominator == 0.0 ? 0.0 : (old_scores.lowest - old_scores.min) / denominator;
  if (!(slope <= std::numeric_limits<double>::max())) slope = 0.0;
  const double intercept = old_scores.min - slope * new_scores.min;

  if (last_on_line < top) {
    const FixedPoints fixed_points = evaluate_fixed_points(new_form);
    // The first score above chance may still lie below the expected score at
    // the bottom of the bracket, where no root can be bracketed. Checked for
    // that one score only.
    const TccResidual first_above{new_form, fixed_points, raw_scores[last_on_line + 1]};
    if (first_above(-THETA_LIMIT).f < 0.0) ++last_on_line;

    // Each search starts afresh from the middle of the bracket, so a score's
    // theta does not depend on the scores solved before it.
    for (std::size_t m = last_on_line + 1; m < top; ++m) {
      const TccResidual residual{new_form, fixed_points, raw_scores[m]};
      table.searched = m;
      const RootOutcome found = rtsafe(residual, -THETA_LIMIT, THETA_LIMIT, THETA_TOLERANCE);
      if (found.stop != RootStop::NONE) return found.stop;
      const double theta = found.root;
      table.theta_equivalent[m] = theta;
      table.true_equated[m] = expected_score(theta, old_form);
    }
  }
  for (std::size_t k = 0; k <= last_on_line; ++k) {
    table.true_equated[k] = slope * raw_scores[k] + intercept;
    table.theta_equivalent[k] = -THETA_LIMIT;
  }
  // The top score has no finite theta; it maps to the old form's top score,
  // even when the line above has covered it.
  table.true_equated[top] = old_scores.max;
  table.theta_equivalent[top] = THETA_LIMIT;
  return RootStop::NONE;
}

}  // namespace zol
