// Safeguarded Newton-Raphson root finder and the program's one fatal stop
#pragma once

#include <cmath>

namespace zol {

inline constexpr int MAX_ITERATIONS = 100;

// A function's value and its derivative at one x.
struct RootValue {
  double f = 0.0;
  double df = 0.0;
};

// Writes the three-line text of a fatal numerical error, with its message,
// to standard error.
void write_fatal_text(const char* message);

// What a handler may throw to end a search that cannot go on, after it has
// written the fatal text: the caller that catches it ends the run.
struct FatalNumericStop {
  const char* message;
};

// Receives the message of a fatal numerical error. Should not return; a
// handler that does return is followed by std::abort.
using FatalNumericHandler = void (*)(const char* message);

// Installs the handler that fatal_numeric_error calls and returns the one it
// replaces. nullptr restores the default, which writes the three-line error
// text to standard error and exits with status 1. Lets a caller that must not
// end the process (a fuzz target, a run that explains the stop) throw instead.
FatalNumericHandler set_fatal_numeric_handler(FatalNumericHandler handler);

// Hands the message to the installed handler; by default writes the
// three-line error text to standard error and exits with status 1.
[[noreturn]] void fatal_numeric_error(const char* message);

// Root of fn, which maps x to its RootValue, bracketed by lo and hi (in
// either order; f may rise or fall). Newton steps from the middle of the
// bracket, bisection whenever a step would leave the bracket or not shrink
// fast enough. Ends the process through fatal_numeric_error when the root is
// not bracketed or not found in MAX_ITERATIONS steps.
//
// Every comparison is written so that a function value that is not a number
// fails it: such a search never returns a value but runs into the iteration
// cap. Do not turn them into negations.
template <typename Function>
double rtsafe(Function&& fn, double lo, double hi, double tolerance) {
  const double f_lo = fn(lo).f;
  const double f_hi = fn(hi).f;
  if ((f_lo > 0.0 && f_hi > 0.0) || (f_lo < 0.0 && f_hi < 0.0)) {
    fatal_numeric_error("Root must be bracketed in rtsafe");
  }
  // An end where f is exactly 0 is the root itself; no search is needed.
  if (f_lo == 0.0) return lo;
  if (f_hi == 0.0) return hi;

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
      if (x == x_neg) return x;
    } else {
      previous_step = step;
      step = f / df;
      const double x_old = x;
      x -= step;
      // Exact comparison: the step is too small to move x at all.
      if (x == x_old) return x;
    }
    if (std::fabs(step) < tolerance) return x;
    value = fn(x);
    if (value.f < 0.0) {
      x_neg = x;
    } else {
      x_pos = x;
    }
  }
  fatal_numeric_error("Maximum number of iterations exceeded in rtsafe");
}

}  // namespace zol
