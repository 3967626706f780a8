// Fitted observed-score distributions: the Lord-Wingersky recursion summed over a theta quadrature
#include "observed/observed_score.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/allocation.h"
#include "common/cpu_features.h"
#include "common/double_double.h"
#include "irt/category_model.h"
#include "irt/item_model.h"
#include "observed/category_recursion.h"
#include "observed/lord_wingersky.h"

namespace zol {

namespace {

// A fitted distribution is a weighted sum of distributions that each total 1,
// so its total is the weights' total; weights further than this from 1 are
// taken to be frequencies or a mistake.
constexpr double WEIGHT_TOTAL_TOLERANCE = 0.1;

// Weights this close to a total of 1 were printed to a few decimals.
constexpr double WEIGHT_TOTAL_QUIET = 0.001;

// Items whose probabilities are computed together, four at a time, into a
// buffer on the stack: the recursion allocates nothing per point or item.
constexpr std::size_t ITEM_BATCH = 64;

void add_items(std::span<double> work, std::int32_t first, std::span<const double> p) {
#if ZOL_AVX2_KERNELS
  if (use_avx2_kernels()) return lord_wingersky::avx2::add_items(work, first, p);
#endif
  lord_wingersky::plain::add_items(work, first, p);
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

namespace {

// The number-correct distribution of the form's 3PL items at theta into
// work[0..n]; item 1 starts it and every later item is added to it.
void number_correct(double theta, const FormView& form, std::span<double> work) {
  const std::size_t n = form.a.size();
  double p[ITEM_BATCH];
  for (std::size_t first = 0; first < n; first += ITEM_BATCH) {
    const std::size_t count = std::min(ITEM_BATCH, n - first);
    const FormView batch{form.a.subspan(first, count), form.b.subspan(first, count),
                         form.c.subspan(first, count), {}, form.d};
    prob_3pl_batch(theta, batch, {p, count});
    std::size_t skip = 0;
    if (first == 0) {
      work[0] = 1.0 - p[0];
      work[1] = p[0];
      skip = 1;
    }
    add_items(work, static_cast<std::int32_t>(first + skip + 1), {p + skip, count - skip});
  }
}

}  // namespace

bool conditional_distribution(double theta, const FormView& form, std::span<double> work) {
  const std::size_t n = form.a.size();
  const auto top = static_cast<std::size_t>(form.top_score());
  if ((n == 0 && form.partial_credit.empty()) || form.b.size() < n || form.c.size() < n ||
      work.size() < top + 1) {
    return false;
  }
  std::int32_t reached = 0;
  if (n > 0) {
    number_correct(theta, form, work);
    reached = static_cast<std::int32_t>(n);
  } else {
    work[0] = 1.0;
  }
  double p[MOST_CATEGORIES];
  for (const CategoryItem& item : form.partial_credit) {
    const std::span<double> categories(p, item.categories());
    category_probabilities(theta, item, form.d, categories);
    category_recursion::add_item(work, reached, categories);
    reached += static_cast<std::int32_t>(item.categories()) - 1;
  }
  return true;
}

bool weights_sum_to_one(std::span<const double> weights, double& total) {
  total = 0.0;
  for (double weight : weights) total += weight;
  return !(std::fabs(total - 1.0) > WEIGHT_TOTAL_QUIET);
}

DistributionStatus observed_score_distributions(const FormView& form,
                                                std::span<const double> points,
                                                std::span<GroupDistribution> groups,
                                                std::size_t& failed) {
  const auto scores = static_cast<std::size_t>(form.top_score()) + 1;
  if (form.a.empty() && form.partial_credit.empty()) return DistributionStatus::UNUSABLE_FORM;
  for (const GroupDistribution& group : groups) {
    if (group.weights.size() != points.size() || group.distribution.size() != scores) {
      return DistributionStatus::UNUSABLE_FORM;
    }
    std::fill(group.distribution.begin(), group.distribution.end(), 0.0);
  }

  // One work vector serves every quadrature point.
  auto work_block = allocate_array<double>(scores + 1);
  if (!work_block) return DistributionStatus::NO_MEMORY;
  const std::span<double> work(work_block.get(), scores + 1);

  for (std::size_t k = 0; k < points.size(); ++k) {
    if (!conditional_distribution(points[k], form, work)) return DistributionStatus::UNUSABLE_FORM;
    for (const GroupDistribution& group : groups) {
      const double weight = group.weights[k];
      ScoreVector distribution = group.distribution;
      for (std::size_t m = 0; m < scores; ++m) {
        distribution[m] = distribution[m] + weight * work[m];
      }
    }
  }

  for (std::size_t g = 0; g < groups.size(); ++g) {
    DoubleDouble total;
    for (double p : groups[g].distribution) total = total + p;
    // Written so that a total that is not a number fails too.
    const double deviation = (DoubleDouble(1.0) - total).value();
    if (!(std::fabs(deviation) <= WEIGHT_TOTAL_TOLERANCE)) {
      failed = g;
      return DistributionStatus::WEIGHT_TOTAL;
    }
  }
  return DistributionStatus::OK;
}

DistributionStatus observed_score_distribution(const FormView& form, const Quadrature& theta,
                                               ScoreVector distribution) {
  GroupDistribution group{theta.weights, distribution};
  std::size_t failed = 0;
  return observed_score_distributions(form, theta.points, {&group, 1}, failed);
}

}  // namespace zol
