// The texts of a root search that could not go on
#include "irt/root_finder.h"

namespace zol {

const char* root_stop_message(RootStop stop) {
  switch (stop) {
    case RootStop::NOT_BRACKETED:
      return "Root must be bracketed in rtsafe";
    case RootStop::NOT_CONVERGED:
      return "Maximum number of iterations exceeded in rtsafe";
    case RootStop::NONE:
      break;
  }
  return "";
}

std::string root_stop_text(RootStop stop) {
  return std::string("Numerical Recipes run-time error...\n") + root_stop_message(stop) +
         "\n...now exiting to system...\n";
}

}  // namespace zol
