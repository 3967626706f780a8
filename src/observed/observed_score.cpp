// Fitted observed-score distributions: the Lord-Wingersky recursion summed over a theta quadrature
#include "observed_score.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/allocation.h"
#include "common/cpu_features.h"
#include "common/double_double.h"
#include "item_model.h"
#include "observed/lord_wingersky.h"

namespace zol {

namespace {

// A fitted distribution is a weighted sum of distributions that each total 1,
// so its total is the weights' total; weights further than this from 1 are
// taken to be frequencies or a mistake.
constexpr double WEIGHT_TOTAL_TOLERANCE = 0.1;

// Items whose probabilities are computed together, four at a time, into a
// buffer on the stack: the recursion allocates nothing per point or item.
constexpr std::size_t ITEM_BATCH = 64;

void add_items(std::span<double> work, std::int32_t first, std::span<const double> p) {
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return lord_wingersky::avx2::add_items(work, first, p);
#endif
  lord_wingersky::plain::add_items(work, first, p);
}

bool has_response_scores(const FormView& form) {
  return !form.correct_score.empty() || !form.incorrect_score.empty();
}

// Exact comparisons on purpose: only items scored exactly 1 and 0 may take the
// number-correct recursion, whose totals are counts.
bool number_correct_scoring(const FormView& form) {
  if (!has_response_scores(form)) return true;
  for (std::size_t k = 0; k < form.a.size(); ++k) {
    if (form.correct_score[k] != 1.0 || form.incorrect_score[k] != 0.0) return false;
  }
  return true;
}

// Every array of the form has one entry per item: both response-score arrays
// or neither.
bool consistent(const FormView& form) {
  const std::size_t n = form.a.size();
  if (form.b.size() != n || form.c.size() != n) return false;
  if (!has_response_scores(form)) return true;
  return form.correct_score.size() == n && form.incorrect_score.size() == n;
}

}  // namespace

namespace lord_wingersky::plain {

void add_items(std::span<double> work, std::int32_t first, std::span<const double> p) {
  for (std::size_t k = 0; k < p.size(); ++k) {
    const auto i = static_cast<std::size_t>(first) + k;
    const double q = 1.0 - p[k];
    work[i] = p[k] * work[i - 1];
    for (std::size_t x = i - 1; x >= 1; --x) work[x] = p[k] * work[x - 1] + q * work[x];
    work[0] = q * work[0];
  }
}

}  // namespace lord_wingersky::plain

std::int32_t score_grid_points(const ScoreGrid& grid) {
  if (!std::isfinite(grid.increment) || !(grid.increment > 0.0)) return 0;
  const double points = std::trunc((grid.highest - grid.lowest) / grid.increment + 0.5) + 1.0;
  // Also false for a span that is not a number; the work vector needs one more.
  if (!(points >= 1.0 && points < std::numeric_limits<std::int32_t>::max())) return 0;
  return static_cast<std::int32_t>(points);
}

bool conditional_number_correct(double theta, const FormView& form, std::span<double> work) {
  const std::size_t n = form.a.size();
  if (n < 1 || form.b.size() < n || form.c.size() < n || work.size() < n + 1) return false;
  double p[ITEM_BATCH];
  // Item 1 starts the distribution; every later item is added to it.
  for (std::size_t first = 0; first < n; first += ITEM_BATCH) {
    const std::size_t count = std::min(ITEM_BATCH, n - first);
    prob_3pl_batch(theta, form.a.subspan(first, count), form.b.subspan(first, count),
                   form.c.subspan(first, count), {p, count});
    std::size_t skip = 0;
    if (first == 0) {
      work[0] = 1.0 - p[0];
      work[1] = p[0];
      skip = 1;
    }
    add_items(work, static_cast<std::int32_t>(first + skip + 1), {p + skip, count - skip});
  }
  return true;
}

DistributionStatus observed_score_distribution(const FormView& form, const ThetaDistribution& theta,
                                               const ScoreGrid& grid, ScoreVector distribution) {
  const std::int32_t grid_points = score_grid_points(grid);
  const std::size_t n = form.a.size();
  const std::span<const double> points = theta.points();
  const std::span<const double> weights = theta.weights();
  if (grid_points < 1 || n < 1 || !consistent(form) || weights.size() != points.size() ||
      distribution.size() < static_cast<std::size_t>(grid_points)) {
    return DistributionStatus::UNUSABLE_SCORES;
  }
  const bool number_correct = number_correct_scoring(form);
  // The recursion fills exactly n + 1 counts; any other grid would leave
  // entries unset or run past the work vector.
  if (number_correct && static_cast<std::size_t>(grid_points) != n + 1) {
    return DistributionStatus::UNUSABLE_SCORES;
  }

  const auto m_count = static_cast<std::size_t>(grid_points);
  std::fill_n(distribution.begin(), m_count, 0.0);
  if (!number_correct && !check_score_grid(form, grid)) return DistributionStatus::UNUSABLE_SCORES;

  // One work vector serves every quadrature point.
  auto work_block = allocate_array<double>(m_count + 1);
  if (!work_block) return DistributionStatus::NO_MEMORY;
  const std::span<double> work(work_block.get(), m_count + 1);

  for (std::size_t k = 0; k < points.size(); ++k) {
    const bool computed = number_correct ? conditional_number_correct(points[k], form, work)
                                         : conditional_item_scores(points[k], form, grid, work);
    if (!computed) return DistributionStatus::NO_MEMORY;
    const double weight = weights[k];
    for (std::size_t m = 0; m < m_count; ++m) distribution[m] = distribution[m] + weight * work[m];
  }

  DoubleDouble total;
  for (std::size_t m = 0; m < m_count; ++m) total = total + distribution[m];
  // Written so that a total that is not a number fails too.
  const double deviation = (DoubleDouble(1.0) - total).value();
  if (!(std::fabs(deviation) <= WEIGHT_TOTAL_TOLERANCE)) return DistributionStatus::WEIGHT_TOTAL;
  return DistributionStatus::OK;
}

}  // namespace zol
