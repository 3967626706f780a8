// Tests of the safeguarded root finder and its fatal stop
#include "root_finder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "item_model.h"

namespace {

// Every x the root function under test was called with, and the state that
// the root functions below read.
std::vector<double> calls;
double target = 0.0;
double f_at_lo = 0.0;
double f_at_hi = 0.0;

// target minus the expected score of the three-item form of the worked example.
void tcc(double x, double* f, double* df) {
  static const double a[] = {1.0, 1.5, 0.8}, b[] = {0.0, 0.5, -1.0}, c[] = {0.2, 0.25, 0.0};
  static const double zero[] = {0, 0, 0}, one[] = {1, 1, 1};
  calls.push_back(x);
  *f = target - expected_score(x, one_based(a), one_based(b), one_based(c), 3, one_based(zero),
                               one_based(one));
  *df = -expected_score_slope(x, one_based(a), one_based(b), one_based(c), 3, one_based(zero),
                              one_based(one));
}
void rising_atan(double x, double* f, double* df) {
  calls.push_back(x);
  *f = std::atan(x - target);
  *df = 1.0 / (1.0 + (x - target) * (x - target));
}
void falling_atan(double x, double* f, double* df) {
  rising_atan(x, f, df);
  *f = -*f;
  *df = -*df;
}
void step_at_target(double x, double* f, double* df) {
  calls.push_back(x);
  *f = x < target ? 1.0 : -1.0;
  *df = 0.0;
}
void fixed_ends(double x, double* f, double* df) {
  calls.push_back(x);
  *f = x < 0 ? f_at_lo : f_at_hi;
  *df = 1.0;
}
void line(double x, double* f, double* df) {
  calls.push_back(x);
  *f = x - target;
  *df = 1.0;
}
void no_root(double x, double* f, double* df) {
  *f = x * x + 1.0;
  *df = 2.0 * x;
}
void nan_inside(double x, double* f, double* df) {
  *f = x == -150.0 ? 1.0 : x == 150.0 ? -1.0 : std::numeric_limits<double>::quiet_NaN();
  *df = 1.0;
}

double solve(RootFunction fn, double t, double lo, double hi, double tolerance = 0.0001) {
  calls.clear();
  target = t;
  return rtsafe(fn, lo, hi, tolerance);
}

TEST(RootFinderTest, FollowsTheWorkedExampleTrace) {
  EXPECT_NEAR(solve(tcc, 1.0, -150, 150), -1.168431, 5e-7);
  const std::vector<double> trace1 = {-150, 150, 0, -0.912177, -1.151215, -1.168343};
  ASSERT_EQ(calls.size(), trace1.size());
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i], trace1[i], 5e-7) << i;

  EXPECT_NEAR(solve(tcc, 2.0, -150, 150), 0.208625, 5e-7);
  const std::vector<double> trace2 = {-150, 150, 0, 0.214577, 0.208627};
  ASSERT_EQ(calls.size(), trace2.size());
  for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_NEAR(calls[i], trace2[i], 5e-7) << i;
}

TEST(RootFinderTest, ShortCuts) {
  struct Case {
    const char* name;
    double f_lo, f_hi, root;
    std::size_t call_count;
  };
  const std::vector<Case> cases = {{"zero at lo", 0.0, 5.0, -80, 2},
                                   {"zero at both ends", 0.0, 0.0, -80, 2},
                                   {"zero at hi", 3.0, 0.0, 120, 2},
                                   {"zero at hi, negative lo", -3.0, 0.0, 120, 2}};
  for (const Case& t : cases) {
    f_at_lo = t.f_lo;
    f_at_hi = t.f_hi;
    EXPECT_EQ(solve(fixed_ends, 0.0, -80, 120), t.root) << t.name;
    EXPECT_EQ(calls.size(), t.call_count) << t.name;
  }
  EXPECT_EQ(solve(line, 7.0, -86, 100), 7.0) << "root at the midpoint";
  EXPECT_EQ(calls.size(), 3u) << "root at the midpoint";
  EXPECT_NEAR(solve(step_at_target, 0.3, -150, 150), 0.3, 0.0001) << "flat";
  EXPECT_EQ(calls.size(), 3u + 21u) << "22 bisections, the last ends on the tolerance";
  // The 22nd step is 150 / 2^21; as a tolerance it does not end the search.
  EXPECT_NEAR(solve(step_at_target, 0.3, -150, 150, 150.0 / (1 << 21)), 0.3, 0.0001);
  EXPECT_EQ(calls.size(), 3u + 22u) << "the tolerance test is strict";
}

TEST(RootFinderTest, ANewtonStepOntoTheRootMakesItABracketEnd) {
  // From 0 the Newton step lands on 10 exactly, where f = 0 makes 10 the
  // x_pos end. A Newton step from an end counts as leaving the bracket, so the
  // search bisects from -150 towards 10 in steps 80, 40, ... until 80 / 2^20.
  EXPECT_EQ(solve(line, 10.0, -150, 150), 10.0 - 80.0 / (1 << 20));
  EXPECT_EQ(calls.size(), 3u + 1u + 20u);
}

TEST(RootFinderTest, EitherOrientationStaysInTheBracket) {
  struct Case {
    const char* name;
    RootFunction fn;
    double root, lo, hi;
  };
  const std::vector<Case> cases = {{"rising", rising_atan, 3.7, -150, 150},
                                   {"falling", falling_atan, -42.0, -150, 150},
                                   {"rising, ends swapped", rising_atan, 0.01, 150, -150},
                                   {"falling, ends swapped", falling_atan, 149.0, 150, -150}};
  for (const Case& t : cases) {
    EXPECT_NEAR(solve(t.fn, t.root, t.lo, t.hi), t.root, 0.0001) << t.name;
    for (double x : calls) {
      EXPECT_TRUE(x >= -150 && x <= 150) << t.name << ": " << x;
    }
  }
}

TEST(RootFinderTest, AReplacedFatalStopMayThrow) {
  const auto thrower = [](const char* message) { throw std::runtime_error(message); };
  const FatalNumericHandler previous = set_fatal_numeric_handler(thrower);
  EXPECT_THROW(rtsafe(no_root, -150, 150, 0.0001), std::runtime_error);
  EXPECT_EQ(set_fatal_numeric_handler(previous), +thrower);
}

const char* const BRACKET_TEXT =
    "^Numerical Recipes run-time error\\.\\.\\.\nRoot must be bracketed in rtsafe\n"
    "\\.\\.\\.now exiting to system\\.\\.\\.\n$";
const char* const ITERATIONS_TEXT =
    "^Numerical Recipes run-time error\\.\\.\\.\nMaximum number of iterations exceeded in "
    "rtsafe\n\\.\\.\\.now exiting to system\\.\\.\\.\n$";

TEST(RootFinderDeathTest, EndsTheProcess) {
  EXPECT_EXIT(rtsafe(no_root, -150, 150, 0.0001), testing::ExitedWithCode(1), BRACKET_TEXT);
  // The bracket can be halved about 1000 times before it closes round 1e-300.
  EXPECT_EXIT(solve(step_at_target, 1e-300, -150, 150, 0.0), testing::ExitedWithCode(1),
              ITERATIONS_TEXT);
  EXPECT_EXIT(rtsafe(nan_inside, -150, 150, 0.0001), testing::ExitedWithCode(1), ITERATIONS_TEXT);
}

TEST(RootFinderDeathTest, AbortsWhenAHandlerReturns) {
  set_fatal_numeric_handler([](const char*) {});
  EXPECT_EXIT(fatal_numeric_error("x"), testing::KilledBySignal(SIGABRT), "");
  set_fatal_numeric_handler(nullptr);
}

}  // namespace
