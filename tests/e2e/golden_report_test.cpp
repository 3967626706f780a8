// Whole reports of the built program against reports checked independently
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_run.h"

namespace {

// Every input beside its expected report: the shipped examples and the
// end-to-end cases (worked examples, a negative scale grid, forms of
// different lengths with two-column and one-column quadratures).
std::vector<std::filesystem::path> golden_inputs() {
  std::vector<std::filesystem::path> inputs;
  for (const char* folder : {"examples", "tests/e2e/golden"}) {
    for (const auto& entry : std::filesystem::directory_iterator(source_path(folder))) {
      if (entry.path().extension() == ".txt") inputs.push_back(entry.path());
    }
  }
  return inputs;
}

TEST(GoldenReportTest, EveryInputGivesItsReportExactly) {
  const auto inputs = golden_inputs();
  ASSERT_GE(inputs.size(), 9u);
  for (const auto& input : inputs) {
    const std::string name = input.filename().string();
    auto expected_path = input;
    expected_path.replace_extension(".report");
    const std::string expected = read_file(expected_path);
    ASSERT_FALSE(expected.empty()) << name;

    ScratchDir dir;
    dir.write(name, read_file(input));
    const ProgramRun on_stdout = run_program(dir, {name});
    EXPECT_EQ(on_stdout.exit_status, 0) << name;
    EXPECT_EQ(on_stdout.err, "") << name;
    EXPECT_EQ(on_stdout.out, expected) << name;

    const ProgramRun to_file = run_program(dir, {name, "report.txt"});
    EXPECT_EQ(to_file.exit_status, 0) << name;
    EXPECT_EQ(to_file.out, "") << name;
    EXPECT_EQ(read_file(dir.path / "report.txt"), expected) << name;
  }
}

}  // namespace
