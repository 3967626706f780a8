// The deterministic exponential against correctly rounded values and the C library's exp
#include "irt/deterministic_exp.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace zol {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Position of a double in the order of all doubles, so that neighbours
// differ by 1, across zero and into the subnormals and infinity alike.
std::int64_t order(double x) {
  const auto bits = std::bit_cast<std::int64_t>(x);
  return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
}

TEST(DeterministicExpTest, WithinOneUnitOfTheLibraryAndUsuallyEqual) {
  // Near zero, item exponents, the whole finite range, overflow, subnormal
  // results and underflow.
  const std::pair<double, double> ranges[] = {
      {-1e-3, 1e-3}, {-12.0, 12.0}, {-709.0, 709.0}, {700.0, 712.0}, {-750.0, -700.0}};
  std::mt19937_64 engine(20240601);
  for (const auto& [lo, hi] : ranges) {
    constexpr int SAMPLES = 200'000;
    int equal = 0;
    for (int s = 0; s < SAMPLES; ++s) {
      const double x = lo + (hi - lo) * (static_cast<double>(engine() >> 11) * 0x1.0p-53);
      const double ours = deterministic_exp(x), library = std::exp(x);
      ASSERT_LE(std::abs(order(ours) - order(library)), 1) << "x = " << x;
      equal += ours == library;
    }
    // Both are within about half a unit of e^x, so they part only where e^x
    // lies close to halfway between two doubles. Without the table's tails
    // a quarter of all results would differ.
    EXPECT_GE(equal, SAMPLES / 100 * 99) << lo << " to " << hi;
  }
}

TEST(DeterministicExpTest, SpecialValuesAndTheEdgesOfTheRange) {
  // Expected values are e^x correctly rounded, from 80-digit decimal
  // arithmetic. Past last_finite e^x rounds to infinity; below last_nonzero,
  // whose e^x is 0.50000000000005 of the smallest subnormal, it rounds to 0.
  const double last_finite = 0x1.62e42fefa39efp+9;
  const double last_nonzero = -0x1.74910d52d3051p+9;
  struct Case {
    const char* name;
    double x, expected;
  };
  const Case cases[] = {
      {"zero", 0.0, 1.0},
      {"negative zero", -0.0, 1.0},
      {"one", 1.0, 0x1.5bf0a8b145769p+1},
      {"minus one", -1.0, 0x1.78b56362cef38p-2},
      {"plus infinity", INF, INF},
      {"minus infinity", -INF, 0.0},
      {"largest double argument", std::numeric_limits<double>::max(), INF},
      {"last finite result", last_finite, 0x1.fffffffffff2ap+1023},
      {"first overflow", std::nextafter(last_finite, INF), INF},
      {"smallest normal result", -0x1.6232bdd7abcd2p+9, 0x1.000000000007cp-1022},
      {"smallest subnormal result", last_nonzero, 0x1.0p-1074},
      {"first underflow", std::nextafter(last_nonzero, -INF), 0.0},
  };
  for (const Case& t : cases) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(deterministic_exp(t.x)),
              std::bit_cast<std::uint64_t>(t.expected))
        << t.name << ": " << deterministic_exp(t.x) << " for " << t.expected;
  }
  EXPECT_TRUE(std::isnan(deterministic_exp(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
}  // namespace zol
