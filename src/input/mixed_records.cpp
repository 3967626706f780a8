// Item records that name their model: 3PL, or GPCM and GRM items of K categories
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "input/reader_parts.h"
#include "items/item_table.h"

namespace zol {

namespace {

bool ends_token(char c) {
  return c == '\0' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

const char* skip_blanks(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}

// K in decimal digits only, 2..MOST_CATEGORIES; 0 when not.
std::size_t category_count(const char* text, const char** end) {
  std::size_t length = 0;
  std::size_t value = 0;
  while (!ends_token(text[length])) {
    if (!std::isdigit(static_cast<unsigned char>(text[length])) || length >= 3) return 0;
    value = value * 10 + static_cast<std::size_t>(text[length] - '0');
    ++length;
  }
  *end = text + length;
  return length > 0 && value >= 2 && value <= MOST_CATEGORIES ? value : 0;
}

}  // namespace

bool names_a_model(const char* text) {
  const char* word = skip_blanks(text);
  std::size_t length = 0;
  while (!ends_token(word[length])) ++length;
  return item_model_named({word, length}).has_value();
}

ModelWord read_model_word(const LineReader& reader, const char* label, const char* rest,
                          const char** three_pl_rest, Item& item, Findings& findings) {
  const std::string name = printable(label);
  const char* word = skip_blanks(rest);
  std::size_t length = 0;
  while (!ends_token(word[length])) ++length;
  const std::optional<ItemModel> named = item_model_named({word, length});
  const char* after = word + length;
  if (!named) return ModelWord::THREE_PL;
  if (*named == ItemModel::THREE_PL) {
    *three_pl_rest = after;
    return ModelWord::THREE_PL_NAMED;
  }
  const ItemModel kind = *named;
  const char* model = item_model_name(kind);
  const auto fail = [&](const std::string& why) {
    findings.fail(at_line(reader, describe("item %s (%s): %s", name.c_str(), model, why.c_str())));
    return ModelWord::FAILED;
  };
  const char* count_text = skip_blanks(after);
  const std::size_t k = category_count(count_text, &after);
  if (k == 0) {
    // The word of K alone: a, the steps and whatever follows are not part of it.
    std::size_t count_length = 0;
    while (!ends_token(count_text[count_length])) ++count_length;
    const std::string count_word(count_text, count_length);
    return fail(
        describe("the number of categories %s is not a whole number from 2 to %zu "
                 "in decimal digits",
                 quoted(count_word.c_str()).c_str(), MOST_CATEGORIES));
  }
  // Then a and the K - 1 step or boundary parameters.
  double values[MOST_CATEGORIES];
  const char* at = after;
  for (std::size_t i = 0; i < k; ++i) {
    int used = 0;
    if (std::sscanf(at, " %lf%n", &values[i], &used) != 1) {
      return fail(describe("%zu categories need a and %zu %s parameters; %s", k, k - 1,
                           kind == ItemModel::GPCM ? "step" : "boundary",
                           i == 0 ? std::string("a is missing or not a number").c_str()
                                  : describe("parameter %zu is missing or not a number", i).c_str()));
    }
    if (!std::isfinite(values[i])) {
      return fail(not_finite(i == 0 ? "a" : describe("b%zu", i).c_str(), values[i]));
    }
    at += used;
  }
  item = Item(label, kind, values[0], std::vector<double>(values + 1, values + k));
  if (std::string why = item_problem(item); !why.empty()) return fail(why);
  return ModelWord::PARTIAL_CREDIT;
}

}  // namespace zol
