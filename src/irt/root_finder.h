// Safeguarded Newton-Raphson root finder
#pragma once

#include <cmath>

namespace zol {

inline constexpr int MAX_ITERATIONS = 100;

// A function's value and its derivative at one x.
struct RootValue {
  double f = 0.0;
  double df = 0.0;
};

// Why a search could not go on.
enum class RootStop {
  NONE,
  NOT_BRACKETED,  // f has the same sign at both ends of the bracket
  NOT_CONVERGED,  // MAX_ITERATIONS steps did not reach the tolerance
};

// A search's end: the root when stop is NONE, and the steps it took.
struct RootOutcome {
  double root = 0.0;
  RootStop stop = RootStop::NONE;
  int iterations = 0;
};

// Root of fn, which maps x to its RootValue, bracketed by lo and hi (in
// either order; f may rise or fall). Newton steps from the middle of the
// bracket, bisection whenever a step would leave the bracket or not shrink
// fast enough. Tells when the root is not bracketed or not found in
// MAX_ITERATIONS steps.
//
// Every comparison is written so that a function value that is not a number
// fails it: such a search never returns a value but runs into the iteration
// cap. Do not turn them into negations.
template <typename Function>
RootOutcome rtsafe(Function&& fn, double lo, double hi, double tolerance) {
  const double f_lo = fn(lo).f;
  const double f_hi = fn(hi).f;
  if ((f_lo > 0.0 && f_hi > 0.0) || (f_lo < 0.0 && f_hi < 0.0)) {
    return {0.0, RootStop::NOT_BRACKETED, 0};
  }
  // An end where f is exactly 0 is the root itself; no search is needed.
  if (f_lo == 0.0) return {lo, RootStop::NONE, 0};
  if (f_hi == 0.0) return {hi, RootStop::NONE, 0};

  // From here on the bracket is kept as the end where f < 0 and the end where
  // f >= 0, so the ends may come in either order and f may rise or fall.
  double x_neg = 0.0;
  double x_pos = 0.0;
  if (f_lo < 0.0) {
    x_neg = lo;
    x_pos = hi;
  } else {
    x_pos = lo;
    x_neg = hi;
  }

  double x = 0.5 * (lo + hi);
  double previous_step = std::fabs(hi - lo);
  double step = previous_step;
  RootValue value = fn(x);
  for (int iteration = 1; iteration <= MAX_ITERATIONS; ++iteration) {
    const double f = value.f;
    const double df = value.df;
    // Bisect when a Newton step would land outside the bracket or on one of
    // its ends (hence >=), or would not halve the step before last.
    if (((x - x_pos) * df - f) * ((x - x_neg) * df - f) >= 0.0 ||
        std::fabs(2.0 * f) > std::fabs(previous_step * df)) {
      previous_step = step;
      step = 0.5 * (x_pos - x_neg);
      x = x_neg + step;
      // Exact comparison: the bracket is down to adjacent doubles.
      if (x == x_neg) return {x, RootStop::NONE, iteration};
    } else {
      previous_step = step;
      step = f / df;
      const double x_old = x;
      x -= step;
      // Exact comparison: the step is too small to move x at all.
      if (x == x_old) return {x, RootStop::NONE, iteration};
    }
    if (std::fabs(step) < tolerance) return {x, RootStop::NONE, iteration};
    value = fn(x);
    if (value.f < 0.0) {
      x_neg = x;
    } else {
      x_pos = x;
    }
  }
  return {x, RootStop::NOT_CONVERGED, MAX_ITERATIONS};
}

}  // namespace zol
