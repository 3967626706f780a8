// Tests of the safeguarded root finder and its fatal stop
#include "root_finder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

#include "item_model.h"

namespace {

using Fn = std::function<void(double x, double* f, double* df)>;

// The function under test, and every x that rtsafe has passed to it.
Fn under_test;
std::vector<double> calls;

void recorded(double x, double* f, double* df) {
  calls.push_back(x);
  under_test(x, f, df);
}

double solve(Fn fn, double lo, double hi, double tolerance = 0.0001) {
  under_test = std::move(fn);
  calls.clear();
  return rtsafe(recorded, lo, hi, tolerance);
}

Fn line(double root) {
  return [=](double x, double* f, double* df) { *f = x - root, *df = 1.0; };
}
Fn step(double root) {  // f' = 0 everywhere
  return [=](double x, double* f, double* df) { *f = x < root ? 1.0 : -1.0, *df = 0.0; };
}
Fn ends(double f_lo, double f_hi) {
  return [=](double x, double* f, double* df) { *f = x < 0 ? f_lo : f_hi, *df = 1.0; };
}
Fn arctan(double root, double sign) {  // Newton overshoots far from the root
  return [=](double x, double* f, double* df) {
    *f = sign * std::atan(x - root), *df = sign / (1.0 + (x - root) * (x - root));
  };
}
Fn tcc(double target) {  // the three-item form of the worked example
  return [=](double x, double* f, double* df) {
    static const double a[] = {1.0, 1.5, 0.8}, b[] = {0.0, 0.5, -1.0}, c[] = {0.2, 0.25, 0.0};
    static const double zero[] = {0, 0, 0}, one[] = {1, 1, 1};
    const OneBasedView views[] = {one_based(a), one_based(b), one_based(c), one_based(zero),
                                  one_based(one)};
    *f = target - expected_score(x, views[0], views[1], views[2], 3, views[3], views[4]);
    *df = -expected_score_slope(x, views[0], views[1], views[2], 3, views[3], views[4]);
  };
}

TEST(RootFinderTest, FollowsTheWorkedExampleTrace) {
  EXPECT_NEAR(solve(tcc(1.0), -150, 150), -1.168431, 5e-7);
  const std::vector<double> trace1 = {-150, 150, 0, -0.912177, -1.151215, -1.168343};
  ASSERT_EQ(calls.size(), trace1.size());
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i], trace1[i], 5e-7) << i;

  EXPECT_NEAR(solve(tcc(2.0), -150, 150), 0.208625, 5e-7);
  const std::vector<double> trace2 = {-150, 150, 0, 0.214577, 0.208627};
  ASSERT_EQ(calls.size(), trace2.size());
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i], trace2[i], 5e-7) << i;
}

TEST(RootFinderTest, ExactRootsAndCallCounts) {
  struct Case {
    const char* name;
    Fn fn;
    double lo, hi, tolerance, root;
    std::size_t call_count;
  };
  const std::vector<Case> cases = {
      {"zero at lo", ends(0.0, 5.0), -80, 120, 1e-4, -80, 2},
      {"zero at both ends", ends(0.0, 0.0), -80, 120, 1e-4, -80, 2},
      {"zero at hi", ends(3.0, 0.0), -80, 120, 1e-4, 120, 2},
      {"zero at hi, lo negative", ends(-3.0, 0.0), -80, 120, 1e-4, 120, 2},
      {"root at the midpoint", line(7.0), -86, 100, 1e-4, 7.0, 3},
      // From 0 Newton lands on 10 exactly, which becomes an end of the bracket.
      // A Newton step from an end counts as leaving it, so the search bisects
      // from -150 towards 10 in steps 80, 40, ..., 80 / 2^20.
      {"Newton onto the root", line(10.0), -150, 150, 1e-4, 10.0 - 80.0 / (1 << 20), 24},
  };
  for (const Case& t : cases) {
    EXPECT_EQ(solve(t.fn, t.lo, t.hi, t.tolerance), t.root) << t.name;
    EXPECT_EQ(calls.size(), t.call_count) << t.name;
  }
}

TEST(RootFinderTest, BisectsAFlatFunction) {
  // Steps of 150 / 2^k: the 22nd is the first below 0.0001. The first
  // bisection repeats the midpoint, whose value left the bracket unchanged.
  EXPECT_NEAR(solve(step(0.3), -150, 150), 0.3, 0.0001);
  EXPECT_EQ(calls.size(), 3u + 21u);
  // A tolerance equal to the 22nd step does not end the search there.
  EXPECT_NEAR(solve(step(0.3), -150, 150, 150.0 / (1 << 21)), 0.3, 0.0001);
  EXPECT_EQ(calls.size(), 3u + 22u);
}

TEST(RootFinderTest, EitherOrientationStaysInTheBracket) {
  struct Case {
    const char* name;
    double root, sign, lo, hi;
  };
  for (const Case& t : std::vector<Case>{{"rising", 3.7, 1, -150, 150},
                                         {"falling", -42.0, -1, -150, 150},
                                         {"rising, ends swapped", 0.01, 1, 150, -150},
                                         {"falling, ends swapped", 149.0, -1, 150, -150}}) {
    EXPECT_NEAR(solve(arctan(t.root, t.sign), t.lo, t.hi), t.root, 0.0001) << t.name;
    for (double x : calls) EXPECT_TRUE(x >= -150 && x <= 150) << t.name << ": " << x;
  }
}

TEST(RootFinderTest, AReplacedFatalStopMayThrow) {
  const auto thrower = [](const char* message) { throw std::runtime_error(message); };
  const FatalNumericHandler previous = set_fatal_numeric_handler(thrower);
  EXPECT_THROW(solve(ends(1.0, 2.0), -150, 150), std::runtime_error);
  EXPECT_EQ(set_fatal_numeric_handler(previous), +thrower);
}

std::string fatal_text(const char* message) {
  return std::string("^Numerical Recipes run-time error\\.\\.\\.\n") + message +
         "\n\\.\\.\\.now exiting to system\\.\\.\\.\n$";
}

TEST(RootFinderDeathTest, EndsTheProcess) {
  const std::string iterations = fatal_text("Maximum number of iterations exceeded in rtsafe");
  EXPECT_EXIT(solve(ends(-1.0, -2.0), -150, 150), testing::ExitedWithCode(1),
              fatal_text("Root must be bracketed in rtsafe"));
  // The bracket can be halved about 1000 times before it closes round 1e-300.
  EXPECT_EXIT(solve(step(1e-300), -150, 150, 0.0), testing::ExitedWithCode(1), iterations);
  const Fn nan_inside = [](double x, double* f, double* df) {
    *f = x == -150 ? 1.0 : x == 150 ? -1.0 : std::numeric_limits<double>::quiet_NaN(), *df = 1.0;
  };
  EXPECT_EXIT(solve(nan_inside, -150, 150), testing::ExitedWithCode(1), iterations);
}

TEST(RootFinderDeathTest, AbortsWhenAHandlerReturns) {
  set_fatal_numeric_handler([](const char*) {});
  EXPECT_EXIT(fatal_numeric_error("x"), testing::KilledBySignal(SIGABRT), "");
  set_fatal_numeric_handler(nullptr);
}

}  // namespace
