// Tests of the report writers: exact text out
#include "report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string capture(const std::function<void(std::FILE*)>& write) {
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* stream = open_memstream(&buffer, &length);
  write(stream);
  std::fclose(stream);
  std::string text(buffer, length);
  std::free(buffer);
  return text;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The output record views the scale-score vectors, as the driver's does.
ScaleConversion output_for(std::vector<double>& unrounded, std::vector<double>& rounded) {
  ScaleConversion output;
  output.row_count = static_cast<std::int32_t>(unrounded.size());
  output.unrounded = unrounded;
  output.rounded = rounded;
  return output;
}

const std::string TRUE_HEADING =
    "Results for True Score Equating\n\n"
    "Sum of c parameters: 0.0000\n\n"
    " Raw      Theta      True Score    Unrounded       Rounded\n"
    "Score   Equivalent   Equivalent   Scale Score    Scale Score\n";

const std::string OBSERVED_HEADING =
    "\n\nResults for Observed Score Equating\n\n"
    " Raw     Equated      Unrounded       Rounded\n"
    "Score   Raw Score    Scale Score    Scale Score\n";

const std::string DISTRIBUTION_HEADING =
    "\n\nFitted observed score distributions\n\n"
    " Raw\n"
    "Score     New Form       Old Form\n";

}  // namespace

TEST(ReportTest, ExampleReportLayout) {
  std::vector<double> theta{-150.0, -1.2345, 0.5432, 150.0};
  std::vector<double> true_equated{0.0, 1.4321, 2.8765, 4.0};
  std::vector<double> observed{0.1234, 1.25, 2.9, 3.8765};
  std::vector<double> new_distribution{0.064, 0.288, 0.432, 0.216};
  std::vector<double> old_distribution{0.0256, 0.1536, 0.3456, 0.3456, 0.1296};
  std::vector<double> true_unrounded = true_equated, true_rounded{0.0, 1.0, 3.0, 4.0};
  std::vector<double> observed_unrounded = observed, observed_rounded{0.0, 1.0, 3.0, 4.0};

  const std::string text = capture([&](std::FILE* report) {
    write_banner(report, "forms.txt");
    write_true_score_report(report, 3, theta, true_equated, 0.6,
                            output_for(true_unrounded, true_rounded));
    write_observed_score_report(report, 3, 4, observed, new_distribution, old_distribution,
                                output_for(observed_unrounded, observed_rounded));
  });
  EXPECT_EQ(text,
            "ZOL 1.1\n"
            "Input file: forms.txt\n"
            "\n"
            "Results for True Score Equating\n"
            "\n"
            "Sum of c parameters: 0.6000\n"
            "\n"
            " Raw      Theta      True Score    Unrounded       Rounded\n"
            "Score   Equivalent   Equivalent   Scale Score    Scale Score\n"
            "  0     ---------      0.0000       0.0000          0.00\n"
            "  1       -1.2345      1.4321       1.4321          1.00\n"
            "  2        0.5432      2.8765       2.8765          3.00\n"
            "  3     ---------      4.0000       4.0000          4.00\n"
            "\n"
            "\n"
            "Results for Observed Score Equating\n"
            "\n"
            " Raw     Equated      Unrounded       Rounded\n"
            "Score   Raw Score    Scale Score    Scale Score\n"
            "  0       0.1234       0.1234          0.00\n"
            "  1       1.2500       1.2500          1.00\n"
            "  2       2.9000       2.9000          3.00\n"
            "  3       3.8765       3.8765          4.00\n"
            "\n"
            "\n"
            "Fitted observed score distributions\n"
            "\n"
            " Raw\n"
            "Score     New Form       Old Form\n"
            "  0      0.06400000     0.02560000\n"
            "  1      0.28800000     0.15360000\n"
            "  2      0.43200000     0.34560000\n"
            "  3      0.21600000     0.34560000\n"
            "  4                     0.12960000\n");
}

TEST(ReportTest, TrueScoreLinePrintsThetaOnlyStrictlyInsideTheBracket) {
  struct Case {
    const char* name;
    double theta, true_score, unrounded, rounded;
    const char* line;
  };
  const std::vector<Case> cases{
      {"lower marker", -150.0, 1.0, 2.0, 2.0,
       "  0     ---------      1.0000       2.0000          2.00\n"},
      {"upper marker", 150.0, 1.0, 2.0, 2.0,
       "  0     ---------      1.0000       2.0000          2.00\n"},
      {"beyond the bracket", -200.0, 1.0, 2.0, 2.0,
       "  0     ---------      1.0000       2.0000          2.00\n"},
      {"just inside below", -149.9999, 1.0, 2.0, 2.0,
       "  0     -149.9999      1.0000       2.0000          2.00\n"},
      {"just inside above", 149.9999, 1.0, 2.0, 2.0,
       "  0      149.9999      1.0000       2.0000          2.00\n"},
      {"negatives inside their fields", -1.2345, -0.5, -0.5, -1.0,
       "  0       -1.2345     -0.5000      -0.5000         -1.00\n"},
  };
  for (const Case& c : cases) {
    std::vector<double> theta{c.theta}, true_equated{c.true_score};
    std::vector<double> unrounded{c.unrounded}, rounded{c.rounded};
    const std::string text = capture([&](std::FILE* report) {
      write_true_score_report(report, 0, theta, true_equated, 0.0, output_for(unrounded, rounded));
    });
    EXPECT_EQ(text, TRUE_HEADING + c.line) << c.name;
  }
}

TEST(ReportTest, WideValuesWidenOnlyTheirLine) {
  const std::size_t size = 1001;
  std::vector<double> theta(size, 150.0), true_equated(size, 0.0);
  std::vector<double> unrounded(size, 0.0), rounded(size, 0.0);
  true_equated[1000] = 12345.6789;
  const std::vector<std::string> lines = lines_of(capture([&](std::FILE* report) {
    write_true_score_report(report, 1000, theta, true_equated, 0.0, output_for(unrounded, rounded));
  }));
  ASSERT_EQ(lines.size(), 6u + size);
  EXPECT_EQ(lines[6 + 999], "999     ---------      0.0000       0.0000          0.00");
  EXPECT_EQ(lines[6 + 1000], "1000     ---------   12345.6789       0.0000          0.00");
}

TEST(ReportTest, ShorterFormLeavesItsDistributionColumnBlank) {
  struct Case {
    const char* name;
    std::int32_t n_new, n_old;
    std::vector<double> new_distribution, old_distribution;
    std::string lines;
  };
  const std::vector<Case> cases{
      {"old form longer",
       1,
       3,
       {0.5, 0.5},
       {0.125, 0.375, 0.375, 0.125},
       "  0      0.50000000     0.12500000\n"
       "  1      0.50000000     0.37500000\n"
       "  2                     0.37500000\n"
       "  3                     0.12500000\n"},
      {"new form longer",
       3,
       1,
       {0.125, 0.375, 0.375, 0.125},
       {0.5, 0.5},
       "  0      0.12500000     0.50000000\n"
       "  1      0.37500000     0.50000000\n"
       "  2      0.37500000               \n"
       "  3      0.12500000               \n"},
  };
  for (const Case& c : cases) {
    std::vector<double> observed(c.new_distribution.size(), 0.0);
    std::vector<double> unrounded = observed, rounded = observed;
    const std::string text = capture([&](std::FILE* report) {
      write_observed_score_report(report, c.n_new, c.n_old, observed, c.new_distribution,
                                  c.old_distribution, output_for(unrounded, rounded));
    });
    const std::size_t start = text.find(DISTRIBUTION_HEADING);
    ASSERT_NE(start, std::string::npos) << c.name;
    EXPECT_EQ(text.substr(start), DISTRIBUTION_HEADING + c.lines) << c.name;
  }
}

TEST(ReportTest, EmptyNewFormGivesOneLinePerTable) {
  std::vector<double> observed{0.0}, new_distribution{1.0}, old_distribution{1.0};
  std::vector<double> unrounded{0.0}, rounded{0.0};
  const std::string text = capture([&](std::FILE* report) {
    write_observed_score_report(report, 0, 0, observed, new_distribution, old_distribution,
                                output_for(unrounded, rounded));
  });
  EXPECT_EQ(text, OBSERVED_HEADING + "  0       0.0000       0.0000          0.00\n" +
                      DISTRIBUTION_HEADING + "  0      1.00000000     1.00000000\n");
}
