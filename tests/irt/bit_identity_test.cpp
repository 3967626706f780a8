// The AVX2 paths give exactly the bits of the plain paths, on every input and alignment
//
// No report can show this on a machine with AVX2, where the plain paths never
// run: these tests run both on the same inputs and compare the bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/cpu_features.h"
#include "irt/item_kernels.h"
#include "observed/category_recursion.h"
#include "observed/lord_wingersky.h"

#if ZOL_AVX2_KERNELS

namespace zol {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The same bits, or both not a number: which NaN's payload survives an
// operation on two of them is the processor's choice, and no NaN is ever
// reported.
bool same_bits(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) ||
         (std::isnan(x) && std::isnan(y));
}

double uniform(std::mt19937_64& engine, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(engine() >> 11) * 0x1.0p-53);
}

// Ordinary values with the extreme ones (where the vector path falls back to
// the scalar code, lane by lane) mixed in at every position of a group of four.
std::vector<double> mixed(std::mt19937_64& engine, std::size_t size, double spread) {
  const double extremes[] = {NaN, INF, -INF, 709.9, -745.0, -707.0, 704.0, -704.0, 1e-310, 0.0};
  std::vector<double> values(size);
  for (double& v : values) {
    v = engine() % 16 == 0 ? extremes[engine() % std::size(extremes)]
                           : uniform(engine, -spread, spread);
  }
  return values;
}

class BitIdentityTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!use_avx2_kernels()) GTEST_SKIP() << "this processor has no AVX2: only the plain path runs";
  }
  std::mt19937_64 engine{20261207};
};

TEST_F(BitIdentityTest, Exponential) {
  for (std::size_t length : {0, 1, 3, 4, 5, 7, 8, 9, 200000}) {
    const std::vector<double> x = mixed(engine, length, 720.0);
    std::vector<double> plain(length), avx2(length);
    item_kernels::plain::exp_batch(x, plain);
    item_kernels::avx2::exp_batch(x, avx2);
    for (std::size_t i = 0; i < length; ++i) {
      ASSERT_TRUE(same_bits(plain[i], avx2[i]))
          << "x = " << x[i] << " at " << i << " of " << length;
    }
  }
}

// Forms of every length around the four-item blocks, with ordinary, extreme
// and absurd parameters and scaling constants, at thetas from the bracket.
TEST_F(BitIdentityTest, ItemProbabilitiesAndSums) {
  const double thetas[] = {-150.0, -3.7, -0.5, 0.0, 1.25, 150.0};
  for (std::size_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 2000}) {
    for (int trial = 0; trial < 20; ++trial) {
      const std::vector<double> a = mixed(engine, n, 3.0), b = mixed(engine, n, 4.0),
                                c = mixed(engine, n, 0.3);
      const FormView form{a, b, c, {}, trial % 2 == 0 ? 1.7 : 1.0 + mixed(engine, 1, 0.5)[0]};
      for (double theta : thetas) {
        std::vector<double> plain(n), avx2(n);
        item_kernels::plain::probabilities(theta, form, plain);
        item_kernels::avx2::probabilities(theta, form, avx2);
        for (std::size_t i = 0; i < n; ++i) {
          ASSERT_TRUE(same_bits(plain[i], avx2[i])) << "item " << i << " of " << n;
        }
        for (auto wanted : {item_kernels::Wanted::SCORE, item_kernels::Wanted::SLOPE,
                            item_kernels::Wanted::BOTH}) {
          const ScoreAndSlope p = item_kernels::plain::sums(theta, form, wanted);
          const ScoreAndSlope v = item_kernels::avx2::sums(theta, form, wanted);
          ASSERT_TRUE(same_bits(p.score, v.score) && same_bits(p.slope, v.slope))
              << n << " items at theta " << theta;
        }
      }
    }
  }
}

// The vector path peels scores until its stores are aligned, so every
// alignment of the work vector takes a different mix of blocks and single
// scores.
TEST_F(BitIdentityTest, LordWingerskyRecursionAtEveryAlignment) {
  for (std::size_t n : {2, 3, 5, 8, 9, 16, 17, 18, 19, 20, 40, 333}) {
    std::vector<double> p(n);
    for (double& probability : p) probability = uniform(engine, 0.0, 1.0);
    for (std::size_t offset = 0; offset < 4; ++offset) {
      std::vector<double> plain_block(n + 1 + 4), avx2_block(n + 1 + 4);
      const std::span<double> plain(plain_block.data() + offset, n + 1);
      const std::span<double> avx2(avx2_block.data() + offset, n + 1);
      plain[0] = avx2[0] = 1.0 - p[0];
      plain[1] = avx2[1] = p[0];
      lord_wingersky::plain::add_items(plain, 2, std::span<const double>(p).subspan(1));
      lord_wingersky::avx2::add_items(avx2, 2, std::span<const double>(p).subspan(1));
      for (std::size_t x = 0; x <= n; ++x) {
        ASSERT_TRUE(same_bits(plain[x], avx2[x]))
            << n << " items, offset " << offset << ", score " << x;
      }
    }
  }
}

// The category recursion's vector path runs blocks of eight and of four
// scores, single scores at the top until its stores are aligned and at the
// bottom, where a block would read below score 0; every mix of them comes
// from some number of categories, length and alignment.
TEST_F(BitIdentityTest, CategoryRecursion) {
  for (std::size_t categories : {1, 2, 3, 4, 5, 7, 17, 100}) {
    for (std::int32_t top : {0, 1, 2, 3, 5, 14, 15, 16, 17, 31, 100, 333}) {
      std::vector<double> p(categories);
      for (double& probability : p) probability = uniform(engine, 0.0, 1.0);
      const std::size_t length = static_cast<std::size_t>(top) + categories;
      for (std::size_t offset = 0; offset < 4; ++offset) {
        std::vector<double> plain_block(length + 4), avx2_block(length + 4);
        const std::span<double> plain(plain_block.data() + offset, length);
        const std::span<double> avx2(avx2_block.data() + offset, length);
        for (std::int32_t x = 0; x <= top; ++x) plain[x] = avx2[x] = uniform(engine, 0.0, 1.0);
        category_recursion::plain::add_item(plain, top, p);
        category_recursion::avx2::add_item(avx2, top, p);
        for (std::size_t x = 0; x < length; ++x) {
          ASSERT_TRUE(same_bits(plain[x], avx2[x])) << categories << " categories, top " << top
                                                    << ", offset " << offset << ", score " << x;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zol

#endif
