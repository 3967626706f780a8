// Tests of reading whole input files into the run's records
#include "input_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation.h"

namespace {

const std::string EXAMPLE =
    "Equating of form X to form Y\n$Item_Parameters\n"
    "N01 1.10 -0.50 0.20\nN02 0.85 0.30 0.18\nN03 1.40 1.10 0.25\n$Link_Item_Parameters\n"
    "O01 1.00 -0.40 0.20\nO02 0.90 0.10 0.15\nO03 1.25 0.90 0.22\n$Theta_Distribution\n"
    "-2.0 0.1\n-1.0 0.2\n0.0 0.4\n1.0 0.2\n2.0 0.1\n$Link_Conversion\nraw  scale  -  rounded\n"
    "4 0 3 1 0\n0 0.0 0 0\n1 1.2 0 1\n2 2.1 0 2\n3 3.0 0 3\n";

// One new item and two old ones, ready for a section to follow.
const std::string OLD_FORM = "$Link_Item_Parameters\nO01 1.00 -0.40 0.20\nO02 0.90 0.10 0.15\n";
const std::string FORMS = "$Item_Parameters\nN01 1.10 -0.50 0.20\n" + OLD_FORM;
const std::string ROWS = "0 0 0 0\n1 1 0 1\n2 2 0 2\n3 3 0 3\n";

std::string with_table(const std::string& header, const std::string& rows = ROWS) {
  return FORMS + "$Link_Conversion\nraw scale\n" + header + "\n" + rows;
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Input {
  Status status = 1;
  std::int32_t n_new = -1, n_old = -1, n_theta = -1;
  ItemSet new_form, old_form;
  ThetaDistribution theta;
  ScaleConversion conversion;
};

void read_into(Input& in, std::string text) {
  // A memory stream cannot be empty; a temporary file can.
  std::unique_ptr<std::FILE, CloseFile> file(
      text.empty() ? std::tmpfile() : fmemopen(text.data(), text.size(), "r"));
  ASSERT_NE(file, nullptr);
  in.status = read_input(file.get(), in.n_new, in.n_old, in.n_theta, in.new_form, in.old_form,
                         in.theta, in.conversion);
}

// The records are filled by a successful read first, so a failure must empty them.
Input read_text(const std::string& text) {
  Input in;
  read_into(in, EXAMPLE);
  read_into(in, text);
  return in;
}

bool holds_nothing(const Input& in) {
  const ScaleConversion& t = in.conversion;
  return in.n_new == 0 && in.n_old == 0 && in.n_theta == 0 && !in.new_form.block &&
         !in.old_form.block && !in.theta.block && t.row_count == 0 && !t.unrounded_storage &&
         !t.rounded_storage && t.unrounded.empty() && t.rounded.empty();
}

// One record array by name; "counts" and "grid" gather the scalars.
std::vector<double> array(const Input& in, const std::string& name) {
  const ScaleConversion& t = in.conversion;
  std::span<const double> s;
  if (name == "counts") return {double(in.n_new), double(in.n_old), double(in.n_theta)};
  if (name == "grid")
    return {t.lowest, t.highest, t.increment, double(t.flag), double(t.row_count)};
  if (name == "new a") s = in.new_form.a();
  if (name == "new b") s = in.new_form.b();
  if (name == "new c") s = in.new_form.c();
  if (name == "old a") s = in.old_form.a();
  if (name == "old b") s = in.old_form.b();
  if (name == "old c") s = in.old_form.c();
  if (name == "points") s = in.theta.points();
  if (name == "weights") s = in.theta.weights();
  if (name == "unrounded") s = t.unrounded;
  if (name == "rounded") s = t.rounded;
  return {s.begin(), s.end()};
}

std::vector<double> zero_to(int n) {
  std::vector<double> v;
  for (int i = 0; i <= n; ++i) v.push_back(i);
  return v;
}

TEST(ReadInputTest, RecordsHoldWhatTheFileSays) {
  const std::string wide = "-1." + std::string(20, '0') + " 0." + std::string(18, '1') + "\n";
  std::string forty = "$Theta\n", old_40 = "$Item\nN 1 0 0\n$Link\n";
  for (int i = 0; i < 40; ++i) {
    forty += std::to_string(i) + "\n";
    old_40 += "O 1 0 0.2\n";
  }
  const std::string twice = EXAMPLE + "$Item\nM 2 1 .1\nM 3 2 .2\n$Theta\n-1\n1\n" +
                            "$Link_C\n\n2 0 1 1 65537\n0 5 0 5\n1 6 0 6\n";
  struct Case {
    const char* name;
    std::string text;
    const char* array;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {"example", EXAMPLE, "counts", {3, 3, 5}},
      {"example", EXAMPLE, "new a", {1.10, 0.85, 1.40}},
      {"example", EXAMPLE, "new b", {-0.50, 0.30, 1.10}},
      {"example", EXAMPLE, "new c", {0.20, 0.18, 0.25}},
      {"example", EXAMPLE, "old a", {1.00, 0.90, 1.25}},
      {"example", EXAMPLE, "old b", {-0.40, 0.10, 0.90}},
      {"example", EXAMPLE, "old c", {0.20, 0.15, 0.22}},
      {"example", EXAMPLE, "points", {-2.0, -1.0, 0.0, 1.0, 2.0}},
      {"example", EXAMPLE, "weights", {0.1, 0.2, 0.4, 0.2, 0.1}},
      {"example", EXAMPLE, "grid", {0.0, 3.0, 1.0, 0, 4}},
      {"example", EXAMPLE, "unrounded", {0.0, 1.2, 2.1, 3.0}},
      {"example", EXAMPLE, "rounded", {0.0, 1.0, 2.0, 3.0}},
      {"9-character label", OLD_FORM + "$Item\nITEM00011 1.10 -0.50 0.20\n", "new a", {1.0}},
      {"9-character label", OLD_FORM + "$Item\nITEM00011 1.10 -0.50 0.20\n", "new c", {-0.50}},
      {"three theta columns", FORMS + "$T\n-1 .3 9\n0 .4\n1 .3 7\n", "weights", {.3, .4, .3}},
      {"wide weight", FORMS + "$T\n" + wide + "0 .2\n1 .3\n2 .4\n", "points", {-1, 0, 1, 2}},
      {"wide weight",
       FORMS + "$T\n" + wide + "0 .2\n1 .3\n2 .4\n",
       "weights",
       {.25, .25, .25, .25}},
      {"forty points", FORMS + forty, "weights", std::vector<double>(40, 0.025)},
      // Only the first 79 characters of the first line decide the columns.
      {"weight at 79",
       FORMS + "$T\n-1" + std::string(76, ' ') + "0.3\n1 .7\n",
       "weights",
       {.3, .7}},
      {"weight at 80",
       FORMS + "$T\n-1" + std::string(77, ' ') + "0.3\n1 .7\n",
       "weights",
       {.5, .5}},
      {"identity", old_40, "grid", {0.0, 40.0, 1.0, 1, 41}},
      {"identity", old_40, "unrounded", zero_to(40)},
      {"identity", old_40, "rounded", zero_to(40)},
      {"repeated sections", twice, "new a", {2, 3}},
      {"repeated sections", twice, "weights", {0.5, 0.5}},
      {"repeated sections", twice, "grid", {0, 1, 1, 1, 2}},
      {"repeated sections", twice, "unrounded", {5, 6}},
  };
  for (const Case& c : cases) {
    const Input in = read_text(c.text);
    ASSERT_EQ(in.status, 0) << c.name;
    EXPECT_EQ(array(in, c.array), c.expected) << c.name << ", " << c.array;
  }
}

TEST(ReadInputTest, CarriageReturnLineFeedReadsAsLineFeed) {
  const std::vector<std::string> texts = {EXAMPLE, FORMS + "$\nN 1 0 0\n$Theta\n-1\n1\n\nx\n",
                                          FORMS + "$T\n" + std::string(40, '1') + "\n"};
  for (const std::string& text : texts) {
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const Input expected = read_text(text), in = read_text(crlf);
    EXPECT_EQ(in.status, expected.status) << text;
    for (const char* name : {"counts", "new c", "old c", "weights", "grid", "unrounded"}) {
      EXPECT_EQ(array(in, name), array(expected, name)) << text << name;
    }
  }
}

TEST(ReadInputTest, SectionsAndRecordsFollowTheFormat) {
  const std::string long_item = "N01 1.10 -0.50 0.20" + std::string(1200, ' ') + "9\n";
  struct Case {
    const char* name;
    std::string text;
    std::vector<double> counts;  // none for a failure
  };
  const std::vector<Case> cases = {
      {"titles, blanks, indented header first", "t\n\n  $Theta\n# c\n" + FORMS, {1, 2, 0}},
      {"short keywords",
       "$Item\nN 1 0 0\n$Link\nO 1 0 0\n$Link_C\nx\n2 0 1 1 0\n" + ROWS,
       {1, 1, 0}},
      {"bare $, trailing text", "$\nN 1 0 0\n$Link_Item_Parameters old\nO 1 0 0\n", {1, 1, 0}},
      {"blank line then text", EXAMPLE + "\nmore\n$Item_Parameters\nbad\n", {3, 3, 5}},
      {"other case ends input", FORMS + "$theta_distribution\n0 1\n", {1, 2, 0}},
      {"indented header ends input", with_table("4 0 3 1 0", ROWS + " $Theta\n0 1\n"), {1, 2, 0}},
      {"last line without line feed", FORMS + "$Item\nN 1 0 0", {1, 2, 0}},
      {"long line is one record",
       "$Item\n" + long_item + "N 1 0 0\nN 1 0 0\n" + OLD_FORM,
       {3, 2, 0}},
      {"nan in ignored columns",
       with_table("4 0 3 1 0", "nan 0 inf 1e999\n" + ROWS.substr(8)),
       {1, 2, 0}},
      {"highest half an increment off", with_table("4 0 3.5 1 0"), {1, 2, 0}},
      {"empty file", "", {}},
      {"no header", "title\nN01 1 0 0\n", {}},
      {"first header unknown", "$item_parameters\n" + FORMS, {}},
      {"blank line between forms", "$Item\nN 1 0 0\n\n$Link\nO 1 0 0\n", {}},
      {"old form missing", "$Item\nN 1 0 0\n", {}},
      {"header without records", "$Item\n$Link\nO 1 0 0\n", {}},
      {"header at end of file", FORMS + "$Item", {}},
      {"line of blanks among items", "$Item\nN 1 0 0\n   \nN 1 0 0\n" + OLD_FORM, {}},
      {"indented header after items", FORMS + " $Theta\n", {}},
      {"truncated last line", FORMS + "$Item\nN03 1.40", {}},
      {"a is nan", FORMS + "$Item\nN nan 0 0\n", {}},
      {"b is inf", FORMS + "$Item\nN 1 -inf 0\n", {}},
      {"c overflows", FORMS + "$Item\nN 1 0 1e999\n", {}},
      {"theta without records", FORMS + "$Theta\n\n", {}},
      {"theta point nan", FORMS + "$Theta\n0 1\nnan 1\n", {}},
      {"theta weight inf", FORMS + "$Theta\n0 1\n1 inf\n", {}},
      {"theta first field too wide", FORMS + "$Theta\n" + std::string(40, '1') + "\n", {}},
      {"values line right after header", FORMS + "$Link_Conversion\n4 0 3 1 0\n" + ROWS, {}},
      {"row count 0", with_table("0 0 3 1 0"), {}},
      {"row count -1", with_table("-1 0 3 1 0"), {}},
      {"row count 3000000000", with_table("3000000000 0 2999999999 1 0"), {}},
      {"row count overflows", with_table("99999999999999999999 0 3 1 0"), {}},
      {"row count beyond the file", with_table("2147483647 0 2147483646 1 0"), {}},
      {"one row", with_table("1 0 0 1 0"), {}},
      {"header written 41.0", with_table("41.0 0 40 1 0"), {}},
      {"increment 0", with_table("4 0 3 0 0"), {}},
      {"increment negative", with_table("4 3 0 -1 0"), {}},
      {"increment nan", with_table("4 0 3 nan 0"), {}},
      {"lowest inf", with_table("4 inf 3 1 0"), {}},
      {"highest off the grid", with_table("4 0 3.6 1 0"), {}},
      {"table ends early", with_table("4 0 3 1 0", ROWS.substr(0, 24)), {}},
      {"row short", with_table("4 0 3 1 0", ROWS.substr(0, 24) + "3 3 0\n"), {}},
      {"unrounded nan", with_table("4 0 3 1 0", ROWS.substr(0, 24) + "3 nan 0 3\n"), {}},
  };
  for (const Case& c : cases) {
    const Input in = read_text(c.text);
    EXPECT_EQ(in.status == 0, !c.counts.empty()) << c.name;
    if (c.counts.empty()) {
      EXPECT_TRUE(holds_nothing(in)) << c.name;
    } else {
      EXPECT_EQ(array(in, "counts"), c.counts) << c.name;
    }
  }
}

TEST(ReadInputTest, DirectoryFailsWithoutWaiting) {
  std::unique_ptr<std::FILE, CloseFile> directory(std::fopen(testing::TempDir().c_str(), "r"));
  if (!directory) GTEST_SKIP() << "this system does not open a directory";
  Input in;
  EXPECT_NE(read_input(directory.get(), in.n_new, in.n_old, in.n_theta, in.new_form, in.old_form,
                       in.theta, in.conversion),
            0);
  EXPECT_TRUE(holds_nothing(in));
}

TEST(ReadInputTest, EveryFailedAllocationFailsTheReadCleanly) {
  // One block per form and per quadrature, two per conversion table, and one
  // for the equal weights that replace a one-column quadrature.
  const std::vector<std::pair<std::string, std::int64_t>> cases = {
      {EXAMPLE, 5}, {FORMS + "$Theta\n-1\n0\n1\n", 6}};
  for (const auto& [text, allocations] : cases) {
    for (std::int64_t k = 1; k <= allocations + 1; ++k) {
      Input in;
      read_into(in, EXAMPLE);
      fail_allocation_after(k);
      read_into(in, text);
      fail_allocation_after(0);
      EXPECT_EQ(in.status == 0, k > allocations) << text << "allocation " << k;
      EXPECT_TRUE(k > allocations || holds_nothing(in)) << text << "allocation " << k;
    }
  }
}

}  // namespace
