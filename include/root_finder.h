// Safeguarded Newton-Raphson root finder and the program's one fatal stop
#pragma once

// Stores f(x) in *f and f'(x) in *df. Carries no user data: whatever else it
// needs comes from module-level state that its owner sets before the search.
using RootFunction = void (*)(double x, double* f, double* df);

inline constexpr int MAX_ITERATIONS = 100;

// Root of fn bracketed by lo and hi. Ends the process through
// fatal_numeric_error when the root is not bracketed or not found in
// MAX_ITERATIONS steps.
double rtsafe(RootFunction fn, double lo, double hi, double tolerance);

// Receives the message of a fatal numerical error. Should not return; a
// handler that does return is followed by std::abort.
using FatalNumericHandler = void (*)(const char* message);

// Installs the handler that fatal_numeric_error calls and returns the one it
// replaces. nullptr restores the default, which writes the three-line error
// text to standard error and exits with status 1. Lets a fuzz target, which
// must not end the process, throw instead.
FatalNumericHandler set_fatal_numeric_handler(FatalNumericHandler handler);

// Hands the message to the installed handler; by default writes the
// three-line error text to standard error and exits with status 1.
[[noreturn]] void fatal_numeric_error(const char* message);
