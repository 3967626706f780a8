// Text of a cause or warning: formatted as the C library formats it, and words of the input made
// safe to show
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/text.h"

namespace zol {

// printf into a string; numbers as "%g" come out alike on every platform.
template <typename... Values>
std::string describe(const char* format, Values... values) {
  std::string text;
  appendf(text, format, values...);
  return text;
}

// A list of count things by the first of them, named, which holds
// min(count, MOST_LISTED) words: "N07 and N12", or "N07, N12, N15 and 4 more".
inline constexpr std::size_t MOST_LISTED = 3;
std::string listing(const std::vector<std::string>& named, std::size_t count);

// A word of the input as the user wrote it, in quotes: cut after 24
// characters, at the end of its line, and anything but printable ASCII shown
// as '?'.
std::string quoted(const char* word);

// The same without the quotes, for labels.
std::string printable(const char* word);

}  // namespace zol
