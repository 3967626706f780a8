// Large inputs within the program's limits: a million quadrature points, a form of 200,000 items
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

// Three items whose number-correct distribution at theta = 0 is known:
// 0.047890, 0.292230, 0.462307, 0.197572.
const std::string THREE_ITEMS =
    "$Item_Parameters\n"
    "N01 1.0 0.0 0.2\n"
    "N02 1.5 0.5 0.25\n"
    "N03 0.8 -1.0 0.0\n";

// The line of raw score `score` in the table that follows the heading line.
std::string table_line(const std::string& report, const std::string& heading, int score) {
  std::size_t at = report.find(heading);
  if (at == std::string::npos) return "";
  at += heading.size();
  for (int i = 0; i < score; ++i) at = report.find('\n', at) + 1;
  return report.substr(at, report.find('\n', at) + 1 - at);
}

const std::string TRUE_SCORE_HEADING =
    "Score   Equivalent   Equivalent   Scale Score    Scale Score\n";
const std::string DISTRIBUTION_HEADING = "Score     New Form       Old Form\n";

// A million points, all at theta 0, with the equal weights of a one-column
// quadrature: the fitted distribution is the distribution at theta 0, and
// every one of the million weights has counted.
TEST(LimitsTest, AQuadratureOfAMillionPointsIsUsedWhole) {
  ScratchDir dir;
  std::string input = THREE_ITEMS + "$Link_Item_Parameters\nO01 1.2 -0.3 0.15\n";
  input.append("$Theta_Distribution\n");
  for (int i = 0; i < 1000000; ++i) input.append("0\n");
  dir.write("in.txt", input);
  const ProgramRun run = run_program(dir, {"in.txt"});
  ASSERT_EQ(run.exit_status, 0) << run.out;
  const std::vector<double> at_theta_zero = {0.047890, 0.292230, 0.462307, 0.197572};
  for (int score = 0; score <= 3; ++score) {
    const std::string line = table_line(run.out, DISTRIBUTION_HEADING, score);
    long raw = -1;
    double probability = -1.0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%ld %lf", &raw, &probability), 2) << line;
    EXPECT_EQ(raw, score);
    EXPECT_NEAR(probability, at_theta_zero[static_cast<std::size_t>(score)], 5e-7)
        << "score " << score;
  }
}

// Well past the 32,767 items of a 16-bit count and the 65,535 of an unsigned
// one. The new form is small so that the run stays quick: the old form is
// only summed at each new-form theta.
TEST(LimitsTest, AnOldFormOfTwoHundredThousandItemsIsEquatedWhole) {
  ScratchDir dir;
  std::string input = THREE_ITEMS + "$Link_Item_Parameters\n";
  for (int i = 0; i < 200000; ++i) input.append("O 1 0 0.2\n");
  dir.write("in.txt", input);
  const ProgramRun run = run_program(dir, {"in.txt"});
  ASSERT_EQ(run.exit_status, 0) << run.out;
  // Chance scores 0.45 and 40,000: the line for low scores has slope 40,000 / 0.45.
  EXPECT_EQ(table_line(run.out, TRUE_SCORE_HEADING, 0),
            "  0     ---------      0.0000       0.0000          0.00\n");
  // The top score maps to the old form's top score, through the default
  // table of 200,001 rows.
  EXPECT_EQ(table_line(run.out, TRUE_SCORE_HEADING, 3),
            "  3     ---------   200000.0000    200000.0000       200000.00\n");
  // Raw score 1 lies at theta -1.168431, where each old item's probability
  // is 0.2 + 0.8 / (1 + e^(1.7 * 1.168431)) = 0.2965163, worked by hand.
  const std::string line = table_line(run.out, TRUE_SCORE_HEADING, 1);
  long raw = -1;
  double theta = 0.0;
  double equivalent = 0.0;
  ASSERT_EQ(std::sscanf(line.c_str(), "%ld %lf %lf", &raw, &theta, &equivalent), 3) << line;
  EXPECT_EQ(raw, 1);
  EXPECT_NEAR(theta, -1.1684, 1e-4);
  EXPECT_NEAR(equivalent, 59303.26, 0.05);
}

}  // namespace
