// What a run found wrong or odd, in the words of the input format, for a user who asks
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zol/zol.h"

namespace zol {

// A cause or warning that lies in no one place of the input file.
inline Finding about_run(std::string text) {
  return {std::move(text), false, 0};
}

// The stages record why a run failed and what a successful run found odd
// (values the model takes but that are almost always mistakes); the library
// hands them to its caller with the error or the results.
struct Findings {
  static constexpr std::size_t MOST_WARNINGS = Warnings::MOST_WARNINGS;

  Finding failure;                // empty text until a failure is known
  bool out_of_memory = false;     // the failure is memory running out, not the input
  std::vector<Finding> warnings;  // the first MOST_WARNINGS
  std::int64_t warnings_not_kept = 0;

  // The first cause found is the one the user sees: later ones follow from it.
  void fail(Finding cause) {
    if (failure.text.empty()) failure = std::move(cause);
  }
  void fail_for_memory(Finding cause) {
    if (failure.text.empty()) out_of_memory = true;
    fail(std::move(cause));
  }
  void warn(Finding warning) {
    if (warnings.size() < MOST_WARNINGS) {
      warnings.push_back(std::move(warning));
    } else {
      ++warnings_not_kept;
    }
  }
};

}  // namespace zol
