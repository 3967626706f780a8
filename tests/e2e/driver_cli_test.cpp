// The program as a user runs it: argument counts, prompts, messages, exit status
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

// Three-item forms without a quadrature: only the true-score table.
const std::string TRUE_SCORE_INPUT =
    "Three-item forms\n"
    "$Item_Parameters\n"
    "N01 1.0 0.0 0.2\n"
    "N02 1.5 0.5 0.25\n"
    "N03 0.8 -1.0 0.0\n"
    "$Link_Item_Parameters\n"
    "O01 1.2 -0.3 0.15\n"
    "O02 0.9 0.2 0.25\n"
    "O03 1.1 0.8 0.2\n";

const std::string PROMPTS = "\nPlease enter the input filename:\nPlease enter the output filename:";

std::string banner(const std::string& name) {
  return "ZOL 1.1\nInput file: " + name + "\n\n";
}

TEST(DriverCliTest, ArgumentCountDecidesWhereTheReportGoes) {
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string stdin_text;
    bool report_on_stdout;
    bool report_file;
    std::string expected_stdout_prefix;
  };
  const std::vector<Case> cases = {
      {"one argument", {"in.txt"}, "", true, false, banner("in.txt")},
      {"two arguments", {"in.txt", "out.txt"}, "", false, true, ""},
      {"three arguments", {"in.txt", "out.txt", "extra"}, "", true, false, banner("in.txt")},
      {"four arguments", {"in.txt", "out.txt", "x", "y"}, "", true, false, banner("in.txt")},
      {"no argument", {}, "in.txt\nout.txt\n", false, true, PROMPTS},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("in.txt", TRUE_SCORE_INPUT);
    const ProgramRun run = run_program(dir, c.args, c.stdin_text);
    EXPECT_EQ(run.exit_status, 0) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
    EXPECT_EQ(dir.has("out.txt"), c.report_file) << c.name;
    if (c.report_on_stdout) {
      EXPECT_EQ(run.out.rfind(c.expected_stdout_prefix, 0), 0u) << c.name << ": " << run.out;
      EXPECT_NE(run.out.find("Results for True Score Equating"), std::string::npos) << c.name;
    } else {
      EXPECT_EQ(run.out, c.expected_stdout_prefix) << c.name;
    }
    if (c.report_file) {
      const std::string report = read_file(dir.path / "out.txt");
      EXPECT_EQ(report.rfind(banner("in.txt"), 0), 0u) << c.name;
    }
  }
}

TEST(DriverCliTest, PromptedNamesOfAnyLengthAreReadWhole) {
  ScratchDir dir;
  // A relative path of about 400 characters: more than any fixed name buffer.
  std::string input_name;
  for (int i = 0; i < 40; ++i) input_name += "directory/";
  input_name += "in.txt";
  dir.write(input_name, TRUE_SCORE_INPUT);
  const ProgramRun run = run_program(dir, {}, "  " + input_name + "   out.txt");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, PROMPTS);
  EXPECT_EQ(read_file(dir.path / "out.txt").rfind(banner(input_name), 0), 0u);
}

TEST(DriverCliTest, EndOfInputAtAPromptEndsThroughTheUsualMessages) {
  struct Case {
    std::string name;
    std::string stdin_text;
    std::string redirections;
    std::string expected_message;
  };
  const std::vector<Case> cases = {
      {"no name at all", "", "", "Could not open input file.\n"},
      {"standard input closed", "", "<&-", "Could not open input file.\n"},
      {"input name only", "in.txt", "", "Could not open output file.\n"},
      {"input name and blanks", "in.txt \n\n", "", "Could not open output file.\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("in.txt", TRUE_SCORE_INPUT);
    const ProgramRun run = run_program(dir, {}, c.stdin_text, c.redirections);
    EXPECT_EQ(run.exit_status, 1) << c.name;
    EXPECT_EQ(run.out, PROMPTS + c.expected_message) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

// The reader's and the pipeline's failures have their own table; these are
// the driver's own paths.
TEST(DriverCliTest, EachFailureGivesItsMessageStatusOneAndNoReport) {
  struct Case {
    std::string name;
    std::string input;  // empty: no input file at all
    std::string output_name;
    std::string expected_message;
  };
  const std::vector<Case> cases = {
      {"missing input file", "", "out.txt", "Could not open input file.\n"},
      {"output in a missing directory", TRUE_SCORE_INPUT, "missing/out.txt",
       "Could not open output file.\n"},
      // Raw score 1 lies at theta 0 exactly, where 1.7 * 1.5e308 * 0 is not a number.
      {"overflowing discrimination",
       "$Item_Parameters\nN01 1 0 0\nN02 1 0 0\n$Link_Item_Parameters\nO01 1.5e308 0 0.2\n",
       "out.txt", "Error in calculating equating functions.\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    if (!c.input.empty()) dir.write("in.txt", c.input);
    const ProgramRun run = run_program(dir, {"in.txt", c.output_name});
    EXPECT_EQ(run.exit_status, 1) << c.name;
    EXPECT_EQ(run.out, c.expected_message) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
    EXPECT_FALSE(dir.has("out.txt")) << c.name;
    EXPECT_FALSE(dir.has("missing")) << c.name;
  }
}

TEST(DriverCliTest, UnbracketedRootEndsWithTheFatalTextAndNoReport) {
  ScratchDir dir;
  // Two items rising and two falling: the expected score is 2 at both ends of
  // the bracket, so raw score 3 has no root.
  dir.write("in.txt",
            "$Item_Parameters\nN01 -1 0 0\nN02 -1 0 0\nN03 1 0 0\nN04 1 0 0\n"
            "$Link_Item_Parameters\nO01 1.0 0.0 0.2\n");
  const ProgramRun run = run_program(dir, {"in.txt", "out.txt"});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Numerical Recipes run-time error...\n"
            "Root must be bracketed in rtsafe\n"
            "...now exiting to system...\n");
  EXPECT_FALSE(dir.has("out.txt"));
}

TEST(DriverCliTest, CarriageReturnLineEndsGiveTheSameReport) {
  ScratchDir dir;
  std::string crlf;
  for (char ch : TRUE_SCORE_INPUT) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  dir.write("unix.txt", TRUE_SCORE_INPUT);
  dir.write("dos.txt", crlf);
  const ProgramRun unix_run = run_program(dir, {"unix.txt"});
  const ProgramRun dos_run = run_program(dir, {"dos.txt"});
  ASSERT_EQ(unix_run.exit_status, 0);
  ASSERT_EQ(dos_run.exit_status, 0);
  EXPECT_EQ(dos_run.out.substr(banner("dos.txt").size()),
            unix_run.out.substr(banner("unix.txt").size()));
}

}  // namespace
