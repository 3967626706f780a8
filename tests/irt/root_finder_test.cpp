// The safeguarded root finder: its trace, its exact ends and its two stops
#include "irt/root_finder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "irt/item_model.h"

namespace zol {
namespace {

using Fn = std::function<RootValue(double x)>;

// Solves and keeps every x that rtsafe evaluated.
struct Solve {
  std::vector<double> calls;

  RootOutcome outcome;

  double operator()(const Fn& fn, double lo, double hi, double tolerance = 0.0001) {
    calls.clear();
    outcome = rtsafe([&](double x) { return calls.push_back(x), fn(x); }, lo, hi, tolerance);
    return outcome.root;
  }
};

Fn line(double root) {
  return [=](double x) { return RootValue{x - root, 1.0}; };
}
Fn step(double root) {  // f' = 0 everywhere
  return [=](double x) { return RootValue{x < root ? 1.0 : -1.0, 0.0}; };
}
Fn ends(double f_lo, double f_hi) {
  return [=](double x) { return RootValue{x < 0 ? f_lo : f_hi, 1.0}; };
}
Fn tcc(double target) {  // the three-item form of the worked example
  return [=](double x) {
    static const double a[] = {1.0, 1.5, 0.8}, b[] = {0.0, 0.5, -1.0}, c[] = {0.2, 0.25, 0.0};
    const ScoreAndSlope value =
        expected_score_and_slope(x, FormView{a, b, c, {}, DEFAULT_SCALING_CONSTANT});
    return RootValue{target - value.score, -value.slope};
  };
}

TEST(RootFinderTest, FollowsTheWorkedExampleTrace) {
  struct Case {
    double target, root;
    std::vector<double> trace;
  };
  const Case cases[] = {
      {1.0, -1.168431, {-150, 150, 0, -0.912177, -1.151215, -1.168343}},
      {2.0, 0.208625, {-150, 150, 0, 0.214577, 0.208627}},
  };
  for (const Case& t : cases) {
    Solve solve;
    EXPECT_NEAR(solve(tcc(t.target), -150, 150), t.root, 5e-7) << t.target;
    ASSERT_EQ(solve.calls.size(), t.trace.size()) << t.target;
    for (std::size_t i = 0; i < t.trace.size(); ++i) {
      EXPECT_NEAR(solve.calls[i], t.trace[i], 5e-7) << t.target << ", call " << i;
    }
  }
}

TEST(RootFinderTest, ExactRootsAndCallCounts) {
  struct Case {
    const char* name;
    Fn fn;
    double lo, hi, tolerance, root;
    std::size_t call_count;
    double within = 0.0;  // 0: the root exactly
  };
  const Case cases[] = {
      {"zero at lo", ends(0.0, 5.0), -80, 120, 1e-4, -80, 2},
      {"zero at both ends", ends(0.0, 0.0), -80, 120, 1e-4, -80, 2},
      {"zero at hi, lo negative", ends(-3.0, 0.0), -80, 120, 1e-4, 120, 2},
      {"root at the midpoint", line(7.0), -86, 100, 1e-4, 7.0, 3},
      // From 0 Newton lands on 10 exactly, which becomes an end of the bracket.
      // A Newton step from an end counts as leaving it, so the search bisects
      // from -150 towards 10 in steps 80, 40, ..., 80 / 2^20.
      {"Newton onto the root", line(10.0), -150, 150, 1e-4, 10.0 - 80.0 / (1 << 20), 24},
      // f' = 0: steps of 150 / 2^k, the 22nd the first below the tolerance;
      // a tolerance equal to that step does not end the search there.
      {"flat function", step(0.3), -150, 150, 1e-4, 0.3, 24, 1e-4},
      {"flat function, tolerance at a step", step(0.3), -150, 150, 150.0 / (1 << 21), 0.3, 25,
       1e-4},
  };
  for (const Case& t : cases) {
    Solve solve;
    const double root = solve(t.fn, t.lo, t.hi, t.tolerance);
    if (t.within == 0.0) {
      EXPECT_EQ(root, t.root) << t.name;
    } else {
      EXPECT_NEAR(root, t.root, t.within) << t.name;
    }
    EXPECT_EQ(solve.calls.size(), t.call_count) << t.name;
  }
}

// Newton overshoots far from the root of an arctangent; the bracket holds it.
TEST(RootFinderTest, EitherOrientationStaysInTheBracket) {
  for (double sign : {1.0, -1.0}) {
    for (double root : {3.7, -42.0, 149.0}) {
      for (double lo : {-150.0, 150.0}) {
        Solve solve;
        const auto f = [=](double x) {
          return RootValue{sign * std::atan(x - root), sign / (1.0 + (x - root) * (x - root))};
        };
        EXPECT_NEAR(solve(f, lo, -lo), root, 0.0001) << sign << " " << root << " " << lo;
        for (double x : solve.calls) EXPECT_TRUE(x >= -150 && x <= 150) << x;
      }
    }
  }
}

TEST(RootFinderTest, StopsAreOutcomesWithTheirText) {
  const Fn nan_inside = [](double x) {
    return RootValue{x == -150  ? 1.0
                     : x == 150 ? -1.0
                                : std::numeric_limits<double>::quiet_NaN(),
                     1.0};
  };
  struct Case {
    const char* name;
    Fn fn;
    double tolerance;
    RootStop stop;
    int iterations;
  };
  const Case cases[] = {
      {"same sign at both ends", ends(-1.0, -2.0), 1e-4, RootStop::NOT_BRACKETED, 0},
      // The bracket can be halved about 1000 times before it closes round 1e-300.
      {"steps never below the tolerance", step(1e-300), 0.0, RootStop::NOT_CONVERGED, 100},
      {"not a number inside", nan_inside, 1e-4, RootStop::NOT_CONVERGED, 100},
  };
  for (const Case& t : cases) {
    Solve solve;
    solve(t.fn, -150, 150, t.tolerance);
    EXPECT_EQ(solve.outcome.stop, t.stop) << t.name;
    EXPECT_EQ(solve.outcome.iterations, t.iterations) << t.name;
  }
}

}  // namespace
}  // namespace zol
