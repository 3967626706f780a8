// Input files from many hands: every malformed or unusable one ends in its one message
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

using namespace std::string_literals;

const std::string READ_ERROR = "Error in reading input data.\n";
const std::string EQUATING_ERROR = "Error in calculating equating functions.\n";
const std::string NOT_BRACKETED =
    "Numerical Recipes run-time error...\n"
    "Root must be bracketed in rtsafe\n"
    "...now exiting to system...\n";
const std::string NO_CONVERGENCE =
    "Numerical Recipes run-time error...\n"
    "Maximum number of iterations exceeded in rtsafe\n"
    "...now exiting to system...\n";

const std::string NEW_FORM =
    "$Item_Parameters\n"
    "N01 1.0 0.0 0.2\n"
    "N02 1.5 0.5 0.25\n"
    "N03 0.8 -1.0 0.0\n";
const std::string OLD_FORM =
    "$Link_Item_Parameters\n"
    "O01 1.2 -0.3 0.15\n"
    "O02 0.9 0.2 0.25\n"
    "O03 1.1 0.8 0.2\n";
const std::string FORMS = NEW_FORM + OLD_FORM;
const std::string QUADRATURE = "$Theta_Distribution\n-1 0.25\n0 0.5\n1 0.25\n";

std::string with_table(const std::string& header, const std::string& rows) {
  return FORMS + "$Link_Conversion\nraw scale - rounded\n" + header + "\n" + rows;
}
const std::string ROWS = "0 0 0 0\n1 1 0 1\n2 2 0 2\n3 3 0 3\n";

// Pseudo-random bytes from a fixed seed: control characters, NUL and bytes
// above 127 among them, but never a "$", so no line can be a header.
std::string binary_garbage(std::size_t size) {
  std::string bytes;
  std::uint32_t state = 12345;
  while (bytes.size() < size) {
    state = state * 1103515245u + 12345u;
    const char byte = static_cast<char>(state >> 16);
    if (byte != '$') bytes.push_back(byte);
  }
  return bytes;
}

// Little-endian UTF-16 with its byte order mark, as some editors save text.
std::string utf16(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (char ch : text) {
    bytes.push_back(ch);
    bytes.push_back('\0');
  }
  return bytes;
}

const std::string TEN_MEGABYTES(10 * 1024 * 1024, '7');
const std::string MILLION_BLANK_LINES(1000000, '\n');

struct Case {
  std::string name;
  std::string input;
  std::string expected_out;
  std::string expected_err;
};

std::vector<Case> reader_cases() {
  return {
      {"empty file", "", READ_ERROR, ""},
      {"no header at all", "Forms X and Y\nN01 1.0 0.0 0.2\n", READ_ERROR, ""},
      {"a million blank lines", MILLION_BLANK_LINES, READ_ERROR, ""},
      {"header indented by a blank", " " + FORMS, READ_ERROR, ""},
      {"unknown first header", "$Items\n" + FORMS, READ_ERROR, ""},
      {"first header in lower case", "$item_parameters\nN01 1 0 0\n" + OLD_FORM, READ_ERROR, ""},
      {"keyword running past a name", "$Item_Parameters2\nN01 1 0 0\n" + OLD_FORM, READ_ERROR, ""},
      {"old-Mac line ends", "$Item\rN01 1 0 0\r$Link\rO01 1 0 0\r", READ_ERROR, ""},
      {"empty new form before a header", "$Item_Parameters\n" + OLD_FORM, READ_ERROR, ""},
      {"empty new form before a blank line", "$Item_Parameters\n\n" + OLD_FORM, READ_ERROR, ""},
      {"empty old form at the end of the file", NEW_FORM + "$Link_Item_Parameters\n", READ_ERROR,
       ""},
      {"item line with two numbers", NEW_FORM + "$Link\nO01 1.2 -0.3\n", READ_ERROR, ""},
      {"item line with a label only", "$Item\nN01\n" + OLD_FORM, READ_ERROR, ""},
      {"last item line short, no line feed", NEW_FORM + "$Link\nO01 1.2 -0.3", READ_ERROR, ""},
      {"line of blanks among items", "$Item\nN01 1 0 0\n   \nN03 1 0 0\n" + OLD_FORM, READ_ERROR,
       ""},
      {"word for a number", "$Item\nN01 one 0 0\n" + OLD_FORM, READ_ERROR, ""},
      {"decimal comma", "$Item\nN01 1,2 0,5 0,2\n" + OLD_FORM, READ_ERROR, ""},
      {"NUL inside an item line", "$Item\nN01\0 1 0 0\n"s + OLD_FORM, READ_ERROR, ""},
      {"not-a-number discrimination", "$Item\nN01 nan 0 0\n" + OLD_FORM, READ_ERROR, ""},
      {"infinite difficulty", "$Item\nN01 1 -inf 0\n" + OLD_FORM, READ_ERROR, ""},
      {"guessing beyond the largest double", "$Item\nN01 1 0 1e309\n" + OLD_FORM, READ_ERROR, ""},
      {"ten-megabyte number", "$Item\nN01 1 0 " + TEN_MEGABYTES + "\n" + OLD_FORM, READ_ERROR, ""},
      {"ten-megabyte word for an item",
       "$Item\n" + std::string(TEN_MEGABYTES.size(), 'x') + "\n" + OLD_FORM, READ_ERROR, ""},
      {"new form missing", OLD_FORM, READ_ERROR, ""},
      {"old form missing", NEW_FORM + QUADRATURE, READ_ERROR, ""},
      {"blank line before the old form", NEW_FORM + "\n" + OLD_FORM, READ_ERROR, ""},
      {"empty quadrature", FORMS + "$Theta_Distribution\n\n", READ_ERROR, ""},
      {"quadrature point a word", FORMS + "$Theta\n-1 .5\nzero .5\n", READ_ERROR, ""},
      {"second quadrature line without weight", FORMS + "$Theta\n-1 .5\n1\n", READ_ERROR, ""},
      {"first quadrature field of 40 characters", FORMS + "$Theta\n" + std::string(40, '1') + "\n",
       READ_ERROR, ""},
      {"infinite quadrature weight", FORMS + "$Theta\n-1 inf\n1 .5\n", READ_ERROR, ""},
      {"not-a-number quadrature point", FORMS + "$Theta\nnan\n1\n", READ_ERROR, ""},
      {"conversion header of four values", with_table("4 0 3 1", ROWS), READ_ERROR, ""},
      {"conversion header missing", FORMS + "$Link_Conversion\nraw scale\n", READ_ERROR, ""},
      {"conversion values right after the header", FORMS + "$Link_Conversion\n4 0 3 1 0\n" + ROWS,
       READ_ERROR, ""},
      {"conversion of no rows", with_table("0 0 3 1 0", ""), READ_ERROR, ""},
      {"conversion of minus four rows", with_table("-4 0 3 1 0", ROWS), READ_ERROR, ""},
      {"conversion of one row", with_table("1 0 0 1 0", "0 0 0 0\n"), READ_ERROR, ""},
      {"conversion increment 0", with_table("4 0 3 0 0", ROWS), READ_ERROR, ""},
      {"conversion increment negative", with_table("4 3 0 -1 0", ROWS), READ_ERROR, ""},
      {"conversion top off its grid", with_table("4 0 30 1 0", ROWS), READ_ERROR, ""},
      {"conversion bound not a number", with_table("4 nan 3 1 0", ROWS), READ_ERROR, ""},
      {"conversion row of three values", with_table("4 0 3 1 0", "0 0 0 0\n1 1 0\n2 2 0 2\n"),
       READ_ERROR, ""},
      {"conversion shorter than its count", with_table("4 0 3 1 0", "0 0 0 0\n1 1 0 1\n"),
       READ_ERROR, ""},
      {"conversion value infinite",
       with_table("4 0 3 1 0", "0 0 0 0\n1 inf 0 1\n2 2 0 2\n3 3 0 3\n"), READ_ERROR, ""},
      {"conversion count of 2^31 - 1 rows", with_table("2147483647 0 2147483646 1 0", ROWS),
       READ_ERROR, ""},
      {"conversion count of 2^31 rows", with_table("2147483648 0 2147483647 1 0", ROWS), READ_ERROR,
       ""},
      {"conversion count beyond 64 bits", with_table("99999999999999999999 0 3 1 0", ROWS),
       READ_ERROR, ""},
      // Text editors' encodings: a byte order mark hides the first header,
      // and UTF-16 puts a NUL before every character.
      {"byte order mark before the first header", "\xEF\xBB\xBF" + FORMS, READ_ERROR, ""},
      {"saved as UTF-16", utf16(FORMS), READ_ERROR, ""},
      {"binary garbage", binary_garbage(64 * 1024), READ_ERROR, ""},
      {"binary garbage after a header", "$Item_Parameters\n" + binary_garbage(64 * 1024),
       READ_ERROR, ""},
  };
}

std::vector<Case> equating_cases() {
  // Raw score 1 lies at theta 0, where 1.7 * 1.5e308 overflows and times 0 is not a number.
  const std::string nan_at_the_root = "$Item\nN01 1.5e308 0 0\nN02 1 0 0\n" + OLD_FORM;
  return {
      {"weights summing to 0.8", FORMS + "$Theta\n-1 .2\n0 .4\n1 .2\n", EQUATING_ERROR, ""},
      {"weights summing to 1.2", FORMS + "$Theta\n-1 .3\n0 .6\n1 .3\n", EQUATING_ERROR, ""},
      {"weights all 0", FORMS + "$Theta\n-1 0\n0 0\n1 0\n", EQUATING_ERROR, ""},
      {"weights summing to -1", FORMS + "$Theta\n-1 -.25\n0 -.5\n1 -.25\n", EQUATING_ERROR, ""},
      {"scale slope beyond the largest double",
       with_table("4 0 3 1 0", "0 -1e308 0 0\n1 1e308 0 1\n2 2 0 2\n3 3 0 3\n"), EQUATING_ERROR,
       ""},
      // Two items fall and two rise: the expected score is 2 at both ends of
      // the bracket, so raw score 3 has no root.
      {"a of -1, -1, 1, 1",
       "$Item\nN01 -1 0 0\nN02 -1 0 0\nN03 1 0 0\nN04 1 0 0\n" + OLD_FORM + QUADRATURE, "",
       NOT_BRACKETED},
      // A flat expected score of 2: raw score 2 is a root at the bracket's end,
      // raw score 3 has none.
      {"a of 0 throughout", "$Item\nN01 0 0 0\nN02 0 0 0\nN03 0 0 0\nN04 0 0 0\n" + OLD_FORM, "",
       NOT_BRACKETED},
      {"discrimination overflowing at the root", nan_at_the_root, "", NO_CONVERGENCE},
  };
}

// Runs the case twice, with the report going to a file and to standard
// output; neither run may leave any of the report behind.
void expect_refused(const Case& c) {
  ScratchDir dir;
  dir.write("in.txt", c.input);
  const ProgramRun to_file = run_program(dir, {"in.txt", "out.txt"});
  EXPECT_EQ(to_file.exit_status, 1) << c.name;
  EXPECT_EQ(to_file.out, c.expected_out) << c.name;
  EXPECT_EQ(to_file.err, c.expected_err) << c.name;
  EXPECT_FALSE(dir.has("out.txt")) << c.name;

  const ProgramRun to_stdout = run_program(dir, {"in.txt"});
  EXPECT_EQ(to_stdout.exit_status, 1) << c.name;
  EXPECT_EQ(to_stdout.out, c.expected_out) << c.name;
  EXPECT_EQ(to_stdout.err, c.expected_err) << c.name;
}

TEST(HostileInputTest, EveryUnreadableFileEndsInTheReadMessage) {
  for (const Case& c : reader_cases()) expect_refused(c);
}

TEST(HostileInputTest, EveryUnusableFormEndsInItsEquatingFailure) {
  for (const Case& c : equating_cases()) expect_refused(c);
}

// Oddities that the format allows: the report is the one of the clean file.
TEST(HostileInputTest, ToleratedOdditiesGiveTheReportOfTheCleanFile) {
  const std::string clean = FORMS + QUADRATURE;
  struct Tolerated {
    std::string name;
    std::string input;
  };
  const std::vector<Tolerated> cases = {
      {"ten-megabyte title line", TEN_MEGABYTES + "\n" + clean},
      {"a million blank lines before the first header", MILLION_BLANK_LINES + clean},
      {"a million blank lines after the last section", clean + MILLION_BLANK_LINES},
      {"binary garbage after a blank line", clean + "\n" + binary_garbage(64 * 1024)},
      {"ten megabytes after a quadrature weight",
       FORMS + "$Theta\n-1 0.25\n0 0.5\n1 0.25 " + TEN_MEGABYTES + "\n"},
  };
  ScratchDir dir;
  dir.write("in.txt", clean);
  const ProgramRun expected = run_program(dir, {"in.txt"});
  ASSERT_EQ(expected.exit_status, 0);
  for (const Tolerated& c : cases) {
    dir.write("in.txt", c.input);
    const ProgramRun run = run_program(dir, {"in.txt"});
    EXPECT_EQ(run.exit_status, 0) << c.name;
    EXPECT_EQ(run.out, expected.out) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

}  // namespace
