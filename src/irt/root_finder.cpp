// The program's one fatal stop, which the root finder calls
#include "root_finder.h"

#include <cstdio>
#include <cstdlib>

namespace zol {

namespace {

[[noreturn]] void exit_with_message(const char* message) {
  write_fatal_text(message);
  std::exit(1);
}

// Never null: nullptr passed to set_fatal_numeric_handler means the default.
FatalNumericHandler fatal_handler = exit_with_message;

}  // namespace

void write_fatal_text(const char* message) {
  std::fprintf(stderr, "Numerical Recipes run-time error...\n");
  std::fprintf(stderr, "%s\n", message);
  std::fprintf(stderr, "...now exiting to system...\n");
}

FatalNumericHandler set_fatal_numeric_handler(FatalNumericHandler handler) {
  const FatalNumericHandler previous = fatal_handler;
  fatal_handler = handler != nullptr ? handler : exit_with_message;
  return previous;
}

void fatal_numeric_error(const char* message) {
  fatal_handler(message);
  std::abort();
}

}  // namespace zol
