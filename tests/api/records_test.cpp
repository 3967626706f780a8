// Records made in memory: the warnings the reader would give, labels of any length, Expected's misuse
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zol/zol.h"

namespace zol {
namespace {

Input five_items() {
  Input input;
  input.name = "memory";
  input.new_form.items = {{"N1", 1.1, -1.2, 0.2}, {"N2", 0.85, -0.4, 0.18}, {"N3", 1.4, 0.1, 0.25},
                          {"N4", 1.0, 0.7, 0.2},  {"N5", 0.95, 1.3, 0.15}};
  input.old_form.items = {{"O1", 1.0, -1.0, 0.2}, {"O2", 0.9, -0.3, 0.15}, {"O3", 1.25, 0.2, 0.22},
                          {"O4", 1.05, 0.8, 0.2}, {"O5", 1.1, 1.5, 0.18}};
  input.theta = Quadrature{{-1.0, 0.0, 1.0}, {0.25, 0.5, 0.25}};
  return input;
}

std::vector<std::string> warnings_of(const Input& input) {
  const Expected<Results> results = equate(input, {});
  EXPECT_TRUE(results) << results.error().explanation;
  std::vector<std::string> texts;
  if (results) {
    for (const Finding& warning : results->warnings.kept) {
      texts.push_back(finding_text(warning, input.name));
    }
  }
  return texts;
}

// What the reader warns of in a file, equate() warns of in records made in
// memory, and only there: an item or a quadrature that carries the line it
// was read from has had its warnings from the reader.
TEST(RecordsTest, OddValuesMadeInMemoryAreWarnedOfOnce) {
  struct Case {
    const char* name;
    void (*change)(Input&);
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a usable input", [](Input&) {}, {}},
      {"a slope below 0 and c above 1",
       [](Input& in) { in.new_form.items[1].a = -1.0, in.new_form.items[1].c = 1.2; },
       {"warning: item N2 of the new form: a -1 is not above 0",
        "warning: item N2 of the new form: c 1.2 is outside 0 to 1"}},
      {"the same items as read from a file",
       [](Input& in) {
         in.new_form.items[1].a = -1.0, in.new_form.items[1].c = 1.2;
         in.new_form.items[1].line = 4;
       },
       {}},
      {"a label twice in the old form", [](Input& in) { in.old_form.items[3].label = "O2"; },
       {"warning: item O2: the label stands twice in the old form, also as item 2"}},
      {"a negative weight and a total off 1",
       [](Input& in) { in.theta->weights = {0.3, -0.05, 0.7}; },
       {"warning: quadrature point 2: theta 0 has the negative weight -0.05",
        "warning: quadrature weights sum to 0.95, not 1; they are used as written, so the fitted "
        "score distributions sum to 0.95 too"}},
      {"the same weights as read from a file",
       [](Input& in) { in.theta->weights = {0.3, -0.05, 0.7}, in.theta->header_line = 9; },
       {}},
  };
  for (const Case& t : cases) {
    Input input = five_items();
    t.change(input);
    EXPECT_EQ(warnings_of(input), t.expected) << t.name;
  }
}

// Item identifiers of an item bank are often longer than the 8 characters of
// the file format's labels: in memory they match common items whole, and the
// mixed format reads them back from the linked items.
TEST(RecordsTest, LongLabelsLinkWholeAndReadBackInTheMixedFormat) {
  Input input = five_items();
  const std::string prefix = "MATH-2026-SPRING-ITEM-000";
  for (std::size_t i = 0; i < 5; ++i) {
    input.old_form.items[i].label = prefix + std::to_string(i);
    input.new_form.items[i].label = prefix + std::to_string(i);
  }
  // Only the last characters tell these two apart.
  input.new_form.items[4].label = prefix + "9";
  Options options;
  options.link = LinkMethod::MEAN_SIGMA;
  const Expected<Results> results = equate(input, options);
  ASSERT_TRUE(results) << results.error().explanation;
  EXPECT_EQ(results->linking->common_items, 4);

  const Expected<std::string> linked = format_linked_items(*results);
  ASSERT_TRUE(linked);
  const Expected<ReadInput> read = read_input_text(
      *linked + "$Link_Item_Parameters\nO1 1 0 0.2\n", "linked.txt", ReadOptions{true});
  ASSERT_TRUE(read) << read.error().explanation;
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(read->input.new_form.items[i].label, input.new_form.items[i].label);
  }
  // Without the mixed format the file keeps its 8-character labels.
  const Expected<ReadInput> plain = read_input_text(
      *linked + "$Link_Item_Parameters\nO1 1 0 0.2\n", "linked.txt", ReadOptions{false});
  EXPECT_FALSE(plain);
}

// Asking an Expected for what it does not hold is the caller's mistake: it
// ends the process, never throws.
TEST(RecordsTest, AskingAnExpectedForWhatItDoesNotHoldAborts) {
  const Expected<Results> failed = equate(Input{}, {});
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().kind, ErrorKind::INVALID_INPUT);
  EXPECT_DEATH({ (void)failed.value(); }, "");
  const Expected<std::string> text = std::string("report");
  EXPECT_DEATH({ (void)text.error(); }, "");
}

}  // namespace
}  // namespace zol
