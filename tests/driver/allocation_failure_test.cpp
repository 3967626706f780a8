// A whole run from input file to report file, with each of its allocations failing in turn
#include "common/allocation_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "support/files.h"

namespace zol {
namespace {

const std::string FORMS =
    "$Item_Parameters\nN01 1.10 -0.50 0.20\nN02 0.85 0.30 0.18\nN03 1.40 1.10 0.25\n"
    "$Link_Item_Parameters\nO01 1.00 -0.40 0.20\nO02 0.90 0.10 0.15\nO03 1.25 0.90 0.22\n"
    "O04 1.00 0.00 0.20\n";
const std::string TWO_COLUMNS = "$Theta_Distribution\n-1 0.25\n0 0.5\n1 0.25\n";
const std::string ONE_COLUMN = "$Theta_Distribution\n-1\n0\n1\n";
const std::string TABLE =
    "$Link_Conversion\nraw scale - rounded\n5 0 4 1 0\n"
    "0 10 0 10\n1 12 0 12\n2 15 0 15\n3 17 0 17\n4 20 0 20\n";

// The stages that a failed allocation can stop, in the order a run meets
// them; a later stage needs all that the earlier ones hold.
const RunStatus STAGES[] = {RunStatus::READ_ERROR, RunStatus::NO_MEMORY, RunStatus::EQUATING_ERROR,
                            RunStatus::OK};

TEST(RunAllocationFailureTest, EachFailedAllocationEndsTheRunInOrderWithNoReport) {
  const std::string inputs[] = {
      FORMS,
      FORMS + TWO_COLUMNS + TABLE,
      FORMS + ONE_COLUMN,
      // Each repeated section replaces what the one before it allocated.
      FORMS + ONE_COLUMN + TABLE + FORMS + TWO_COLUMNS + TABLE,
  };
  for (const std::string& text : inputs) {
    ScratchDir dir;
    const std::string input = dir.write("in.txt", text).string();
    const std::string report = (dir.path / "out.txt").string();
    const ReportTarget target{report.c_str(), nullptr};
    Findings none;
    ASSERT_EQ(run_files(input.c_str(), target, {}, none), RunStatus::OK) << text;
    const std::string complete = read_file(report);
    std::filesystem::remove(report);

    // Past the last allocation every run succeeds; a few more runs make sure
    // that no allocation after a success was failing unnoticed.
    std::vector<int> seen(std::size(STAGES), 0);
    std::size_t stage = 0;
    for (std::int64_t k = 1; seen.back() < 4 && k <= 200; ++k) {
      fail_allocation_after(k);
      Findings findings;
      const RunStatus status = run_files(input.c_str(), target, {}, findings);
      fail_allocation_after(0);
      // Every failure has its cause, for --explain.
      EXPECT_EQ(findings.failure.text.empty(), status == RunStatus::OK) << text << k;
      while (stage < std::size(STAGES) && STAGES[stage] != status) ++stage;
      ASSERT_LT(stage, std::size(STAGES)) << text << "allocation " << k << " out of order";
      ++seen[stage];
      // A report only after a whole run, and then the whole report.
      EXPECT_EQ(dir.has("out.txt") ? read_file(report) : "",
                status == RunStatus::OK ? complete : "")
          << text << "allocation " << k;
      std::filesystem::remove(report);
    }
    EXPECT_EQ(seen[3], 4) << text;
    EXPECT_GE(seen[0], 2) << text << "one block per form at least";
    EXPECT_EQ(seen[1], 1) << text << "the workspace is one block";
    EXPECT_GE(seen[2], 1) << text << "the computation's scratch";
  }
}

}  // namespace
}  // namespace zol
