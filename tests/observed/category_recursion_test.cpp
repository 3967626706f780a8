// The recursion over K categories: a hand-worked sum, a distribution's total and mean, and the
// number-correct recursion as its two-category case
#include "observed/category_recursion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "irt/category_model.h"
#include "observed/lord_wingersky.h"

namespace zol {
namespace {

TEST(CategoryRecursionTest, HandWorkedThreeCategoryItem) {
  // (0.4, 0.6) then (0.2, 0.3, 0.5): 0.08, 0.6 * 0.2 + 0.4 * 0.3, 0.6 * 0.3 + 0.4 * 0.5, 0.6 * 0.5.
  std::vector<double> work{0.4, 0.6, -1.0, -1.0};
  const double p[] = {0.2, 0.3, 0.5};
  category_recursion::add_item(work, 1, p);
  const double expected[] = {0.08, 0.24, 0.38, 0.30};
  for (int x = 0; x < 4; ++x) EXPECT_NEAR(work[x], expected[x], 1e-16) << "score " << x;
}

// A mixed set of items at several thetas: the distribution totals 1 and its
// mean is the sum of the items' expected scores.
TEST(CategoryRecursionTest, DistributionTotalsOneWithTheExpectedScoreAsMean) {
  const std::vector<double> steps[] = {{0.3}, {-1.0, 0.2, 1.1}, {-0.5, 0.0, 0.4, 2.0}, {1.5, -0.7}};
  const ItemModel models[] = {ItemModel::GPCM, ItemModel::GRM, ItemModel::GPCM, ItemModel::GPCM};
  for (double theta : {-3.0, -0.4, 0.0, 1.2, 4.0}) {
    std::vector<double> work(1, 1.0);
    std::int32_t top = 0;
    double expected_score = 0.0;
    for (int round = 0; round < 25; ++round) {
      for (int i = 0; i < 4; ++i) {
        const CategoryItem item{models[i], 0.8 + 0.1 * i, steps[i]};
        std::vector<double> p(item.categories());
        category_probabilities(theta, item, 1.7, p);
        expected_score += expected_item_score(theta, item, 1.7).score;
        work.resize(work.size() + p.size() - 1);
        category_recursion::add_item(work, top, p);
        top += static_cast<std::int32_t>(p.size()) - 1;
      }
    }
    double total = 0.0, mean = 0.0;
    for (std::size_t x = 0; x < work.size(); ++x) {
      total += work[x];
      mean += static_cast<double>(x) * work[x];
    }
    EXPECT_NEAR(total, 1.0, 1e-13) << theta;
    EXPECT_NEAR(mean, expected_score, 1e-12 * expected_score) << theta;
  }
}

// With p = (1 - P, P) each score is the number-correct step's sum with its
// terms swapped, which IEEE addition leaves bit for bit the same.
TEST(CategoryRecursionTest, TwoCategoriesAreTheNumberCorrectStep) {
  std::mt19937_64 engine(19);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (std::int32_t top : {1, 2, 3, 4, 7, 16, 17, 40, 301}) {
    std::vector<double> start(static_cast<std::size_t>(top) + 2);
    for (double& f : start) f = uniform(engine);
    const double probability = uniform(engine);
    const double p[] = {1.0 - probability, probability};
    std::vector<double> number_correct = start, plain = start, dispatched = start;
    lord_wingersky::plain::add_items(number_correct, top + 1, {&probability, 1});
    category_recursion::plain::add_item(plain, top, p);
    category_recursion::add_item(dispatched, top, p);
    for (std::size_t x = 0; x < start.size(); ++x) {
      const auto bits = std::bit_cast<std::uint64_t>(number_correct[x]);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(plain[x]), bits) << "top " << top << " score " << x;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(dispatched[x]), bits)
          << "top " << top << " score " << x;
    }
  }
}

}  // namespace
}  // namespace zol
