// Words of the input made safe to show in a cause or warning
#include "common/describe.h"

namespace zol {

namespace {

// Quoted words are cut here: enough to recognise a value, not a page of it.
constexpr std::size_t MOST_QUOTED = 24;

}  // namespace

std::string listing(const std::vector<std::string>& named, std::size_t count) {
  std::string text;
  for (std::size_t k = 0; k < named.size(); ++k) {
    if (k > 0) text += k + 1 == named.size() && count == named.size() ? " and " : ", ";
    text += named[k];
  }
  if (count > named.size()) text += describe(" and %zu more", count - named.size());
  return text;
}

std::string quoted(const char* word) {
  std::string text = "'";
  const auto ends = [&](std::size_t at) {
    return word[at] == '\0' || word[at] == '\n' || word[at] == '\r';
  };
  std::size_t length = 0;
  for (; !ends(length) && length < MOST_QUOTED; ++length) {
    const auto c = static_cast<unsigned char>(word[length]);
    text.push_back(c >= 32 && c < 127 ? static_cast<char>(c) : '?');
  }
  if (!ends(length)) text += "...";
  return text + "'";
}

std::string printable(const char* word) {
  const std::string text = quoted(word);
  return text.substr(1, text.size() - 2);
}

}  // namespace zol
