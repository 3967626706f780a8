// Safeguarded Newton-Raphson root finder and the program's one fatal stop
#include "root_finder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void exit_with_message(const char* message) {
  std::fprintf(stderr, "Numerical Recipes run-time error...\n");
  std::fprintf(stderr, "%s\n", message);
  std::fprintf(stderr, "...now exiting to system...\n");
  std::exit(1);
}

// Never null: nullptr passed to set_fatal_numeric_handler means the default.
FatalNumericHandler fatal_handler = exit_with_message;

}  // namespace

FatalNumericHandler set_fatal_numeric_handler(FatalNumericHandler handler) {
  const FatalNumericHandler previous = fatal_handler;
  fatal_handler = handler != nullptr ? handler : exit_with_message;
  return previous;
}

void fatal_numeric_error(const char* message) {
  fatal_handler(message);
  std::abort();
}

// Every comparison below is written so that a function value that is not a
// number fails it: such a search never returns a value but runs into the
// iteration cap. Do not turn them into negations.
double rtsafe(RootFunction fn, double lo, double hi, double tolerance) {
  double f_lo = 0.0;
  double f_hi = 0.0;
  double df = 0.0;
  fn(lo, &f_lo, &df);
  fn(hi, &f_hi, &df);
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
  double f = 0.0;
  fn(x, &f, &df);
  for (int iteration = 1; iteration <= MAX_ITERATIONS; ++iteration) {
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
    fn(x, &f, &df);
    if (f < 0.0) {
      x_neg = x;
    } else {
      x_pos = x;
    }
  }
  fatal_numeric_error("Maximum number of iterations exceeded in rtsafe");
}
