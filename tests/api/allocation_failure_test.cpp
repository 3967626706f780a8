// Reading, equating and reporting, with each of their allocations failing in turn
#include "common/allocation_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zol/zol.h"

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

// The whole run's report, or the stage where it failed for want of memory.
struct Outcome {
  std::optional<Stage> failure;
  std::string report;
  bool explained = true;
  bool for_memory = true;
};

Outcome failed(const Error& error) {
  return {error.stage, "", !error.explanation.empty(), error.kind == ErrorKind::NO_MEMORY};
}

Outcome run(const std::string& text) {
  const Expected<ReadInput> read = read_input_text(text, "in.txt");
  if (!read) return failed(read.error());
  const Expected<Results> results = equate(read->input, Options{});
  if (!results) return failed(results.error());
  const Expected<std::string> report = format_report(*results);
  return {std::nullopt, report ? *report : "", true, true};
}

// The stages that a failed allocation can stop, in the order a run meets
// them; a later stage needs all that the earlier ones hold.
const std::optional<Stage> STAGES[] = {Stage::READING, Stage::CHECKING, Stage::SIZING,
                                       Stage::EQUATING, std::nullopt};

TEST(AllocationFailureTest, EachFailedAllocationEndsTheRunInOrderWithNoReport) {
  const std::string inputs[] = {
      FORMS,
      FORMS + TWO_COLUMNS + TABLE,
      FORMS + ONE_COLUMN,
      // Each repeated section replaces what the one before it allocated.
      FORMS + ONE_COLUMN + TABLE + FORMS + TWO_COLUMNS + TABLE,
  };
  for (const std::string& text : inputs) {
    const Outcome complete = run(text);
    ASSERT_FALSE(complete.failure) << text;

    // Past the last allocation every run succeeds; a few more runs make sure
    // that no allocation after a success was failing unnoticed.
    std::vector<int> seen(std::size(STAGES), 0);
    std::size_t stage = 0;
    for (std::int64_t k = 1; seen.back() < 4 && k <= 200; ++k) {
      fail_allocation_after(k);
      const Outcome outcome = run(text);
      fail_allocation_after(0);
      // Every failure has its cause, and says that memory ran out.
      EXPECT_TRUE(outcome.explained) << text << k;
      EXPECT_TRUE(outcome.for_memory) << text << k;
      while (stage < std::size(STAGES) && STAGES[stage] != outcome.failure) ++stage;
      ASSERT_LT(stage, std::size(STAGES)) << text << "allocation " << k << " out of order";
      ++seen[stage];
      // A report only after a whole run, and then the whole report.
      EXPECT_EQ(outcome.report, outcome.failure ? "" : complete.report) << text << k;
    }
    EXPECT_EQ(seen[4], 4) << text;
    EXPECT_GE(seen[0], 2) << text << "one block per form at least";
    EXPECT_GE(seen[2], 1) << text << "the results";
    EXPECT_GE(seen[3], 1) << text << "the computation's scratch";
  }
}

}  // namespace
}  // namespace zol
