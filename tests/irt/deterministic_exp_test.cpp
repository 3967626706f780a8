// Tests of the deterministic exponential against the C library's exp
#include "deterministic_exp.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

// The four-lane code itself, compiled here for the processors without AVX2:
// the plain path of every dispatched kernel that uses it.
#include "../../src/irt/exp_lanes.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

// Position of a double in the order of all doubles, so that neighbours
// differ by 1, across zero and into the subnormals and infinity alike.
std::int64_t order(double x) {
  const auto bits = std::bit_cast<std::int64_t>(x);
  return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
}

std::int64_t ulps_apart(double x, double y) {
  const std::int64_t d = order(x) - order(y);
  return d < 0 ? -d : d;
}

double uniform(std::mt19937_64& engine, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(engine() >> 11) * 0x1.0p-53);
}

struct Range {
  const char* name;
  double lo, hi;
};

// Where the exponential is used and where its special cases begin.
const std::vector<Range> RANGES = {
    {"near zero", -1e-3, 1e-3},
    {"item exponents", -12.0, 12.0},
    {"the true-score bracket", -260.0, 260.0},
    {"the whole finite range", -709.0, 709.0},
    {"overflow", 700.0, 712.0},
    {"subnormal results and underflow", -750.0, -700.0},
};

TEST(DeterministicExpTest, WithinOneUnitOfTheLibraryAndUsuallyEqual) {
  std::mt19937_64 engine(20240601);
  for (const Range& range : RANGES) {
    constexpr int SAMPLES = 500'000;
    int equal = 0;
    std::int64_t worst = 0;
    double worst_x = 0.0;
    for (int s = 0; s < SAMPLES; ++s) {
      const double x = uniform(engine, range.lo, range.hi);
      const double ours = deterministic_exp(x), library = std::exp(x);
      const std::int64_t apart = ulps_apart(ours, library);
      if (apart > worst) worst = apart, worst_x = x;
      equal += ours == library;
    }
    EXPECT_LE(worst, 1) << range.name << ": at x = " << worst_x;
    // Both are within about half a unit of e^x, so they part only where e^x
    // lies close to halfway between two doubles. Without the table's tails
    // a quarter of all results would differ.
    EXPECT_GE(equal, SAMPLES / 100 * 99) << range.name;
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
  const std::vector<Case> cases = {
      {"zero", 0.0, 1.0},
      {"negative zero", -0.0, 1.0},
      {"one", 1.0, 0x1.5bf0a8b145769p+1},
      {"minus one", -1.0, 0x1.78b56362cef38p-2},
      {"tiny argument", 1e-300, 1.0},
      {"plus infinity", INF, INF},
      {"minus infinity", -INF, 0.0},
      {"largest double argument", std::numeric_limits<double>::max(), INF},
      {"lowest double argument", std::numeric_limits<double>::lowest(), 0.0},
      {"last finite result", last_finite, 0x1.fffffffffff2ap+1023},
      {"first overflow", std::nextafter(last_finite, INF), INF},
      {"just past the overflow bound", 710.5, INF},
      {"smallest normal result", -0x1.6232bdd7abcd2p+9, 0x1.000000000007cp-1022},
      {"smallest subnormal result", last_nonzero, 0x1.0p-1074},
      {"first underflow", std::nextafter(last_nonzero, -INF), 0.0},
      {"just past the underflow bound", -746.5, 0.0},
  };
  for (const Case& t : cases) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(deterministic_exp(t.x)),
              std::bit_cast<std::uint64_t>(t.expected))
        << t.name << ": " << deterministic_exp(t.x) << " for " << t.expected;
  }
  EXPECT_TRUE(std::isnan(deterministic_exp(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(deterministic_exp(-std::numeric_limits<double>::quiet_NaN())));
}

TEST(DeterministicExpTest, BatchGivesTheScalarBitsInEveryLane) {
  // Runs of ordinary arguments with special ones mixed in at every position
  // of a group of four, so that both the vector path and its fallback run.
  std::mt19937_64 engine(7);
  const double specials[] = {std::numeric_limits<double>::quiet_NaN(),
                             INF,
                             -INF,
                             709.9,
                             -745.0,
                             -707.0,
                             704.0,
                             -704.0,
                             1e-310,
                             0.0};
  std::vector<double> x;
  for (int s = 0; s < 400'000; ++s) {
    const bool special = engine() % 16 == 0;
    x.push_back(special ? specials[engine() % std::size(specials)]
                        : uniform(engine, -720.0, 720.0) * (s % 3 == 0 ? 0.01 : 1.0));
  }
  for (std::size_t length :
       {x.size(), std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{7}}) {
    const std::span<const double> in(x.data(), length);
    std::vector<double> out(length, -1.0);
    deterministic_exp_batch(in, out);
    for (std::size_t i = 0; i < length; ++i) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(out[i]),
                std::bit_cast<std::uint64_t>(deterministic_exp(in[i])))
          << "x = " << in[i] << " at " << i << " of " << length;
    }
  }
}

// On a machine with AVX2 the batch above runs the AVX2 code; this runs the
// same lanes as the plain code does on one without.
TEST(DeterministicExpTest, PlainLaneCodeGivesTheScalarBits) {
  std::mt19937_64 engine(11);
  for (int s = 0; s < 200'000; ++s) {
    exp_detail::Lanes x, y;
    for (int l = 0; l < exp_detail::LANES; ++l) {
      x[l] = engine() % 64 == 0 ? 710.0 * (l - 1.5) : uniform(engine, -705.0, 705.0);
    }
    exp_detail::exp_lanes(x, y);
    for (int l = 0; l < exp_detail::LANES; ++l) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(y[l]),
                std::bit_cast<std::uint64_t>(deterministic_exp(x[l])))
          << "x = " << x[l];
    }
  }
}

}  // namespace
