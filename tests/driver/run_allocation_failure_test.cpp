// A whole run from input file to report file, with each of its allocations failing in turn
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation.h"
#include "driver.h"
#include "support/program_run.h"

namespace {

const std::string FORMS =
    "$Item_Parameters\n"
    "N01 1.10 -0.50 0.20\n"
    "N02 0.85 0.30 0.18\n"
    "N03 1.40 1.10 0.25\n"
    "$Link_Item_Parameters\n"
    "O01 1.00 -0.40 0.20\n"
    "O02 0.90 0.10 0.15\n"
    "O03 1.25 0.90 0.22\n"
    "O04 1.00 0.00 0.20\n";
const std::string TWO_COLUMNS = "$Theta_Distribution\n-1 0.25\n0 0.5\n1 0.25\n";
const std::string ONE_COLUMN = "$Theta_Distribution\n-1\n0\n1\n";
const std::string TABLE =
    "$Link_Conversion\nraw scale - rounded\n5 0 4 1 0\n"
    "0 10 0 10\n1 12 0 12\n2 15 0 15\n3 17 0 17\n4 20 0 20\n";

// The stage that a failed allocation stops, in the order a run meets them:
// the reader, the workspace, the computation; then none at all.
int stage(RunStatus status) {
  switch (status) {
    case RUN_READ_ERROR:
      return 0;
    case RUN_NO_MEMORY:
      return 1;
    case RUN_EQUATING_ERROR:
      return 2;
    case RUN_OK:
      return 3;
    default:
      return -1;
  }
}

// Past the last allocation every run succeeds; this many more runs make sure
// that no allocation after a success was failing unnoticed.
constexpr std::int64_t RUNS_AFTER_SUCCESS = 4;
constexpr std::int64_t MOST_ALLOCATIONS = 200;

TEST(RunAllocationFailureTest, EachFailedAllocationEndsTheRunInOrderWithNoReport) {
  struct Case {
    std::string name;
    std::string input;
  };
  const std::vector<Case> cases = {
      {"forms only", FORMS},
      {"two-column quadrature and table", FORMS + TWO_COLUMNS + TABLE},
      {"one-column quadrature", FORMS + ONE_COLUMN},
      {"table without quadrature", FORMS + TABLE},
      // Each repeated section replaces what the one before it allocated.
      {"every section twice", FORMS + ONE_COLUMN + TABLE + FORMS + TWO_COLUMNS + TABLE},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string input = dir.write("in.txt", c.input).string();
    const std::string report = (dir.path / "out.txt").string();
    ReportTarget target;
    target.path = report.c_str();
    ASSERT_EQ(run_files(input.c_str(), target), RUN_OK) << c.name;
    const std::string complete = read_file(report);
    std::filesystem::remove(report);

    std::vector<int> seen(4, 0);
    int previous_stage = 0;
    std::int64_t successes = 0;
    for (std::int64_t k = 1; successes < RUNS_AFTER_SUCCESS && k <= MOST_ALLOCATIONS; ++k) {
      fail_allocation_after(k);
      const RunStatus status = run_files(input.c_str(), target);
      fail_allocation_after(0);
      const int now = stage(status);
      ASSERT_GE(now, previous_stage) << c.name << ", allocation " << k << ": status " << status;
      previous_stage = now;
      ++seen[static_cast<std::size_t>(now)];
      if (status == RUN_OK) {
        ++successes;
        EXPECT_EQ(read_file(report), complete) << c.name << ", allocation " << k;
        std::filesystem::remove(report);
      } else {
        EXPECT_FALSE(dir.has("out.txt")) << c.name << ", allocation " << k;
      }
    }
    EXPECT_EQ(successes, RUNS_AFTER_SUCCESS) << c.name;
    EXPECT_GE(seen[0], 2) << c.name << ": one block per form at least";
    EXPECT_EQ(seen[1], 1) << c.name << ": the workspace is one block";
    EXPECT_GE(seen[2], 1) << c.name << ": the computation's scratch";
  }
}

}  // namespace
