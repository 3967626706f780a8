// Tests of a run: scale scores that overflow, and the driver's messages
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver.h"
#include "input_reader.h"

namespace {

const char* const FORMS_WITH_QUADRATURE =
    "$Item_Parameters\n"
    "N01 1.10 -0.50 0.20\n"
    "N02 0.85 0.30 0.18\n"
    "N03 1.40 1.10 0.25\n"
    "$Link_Item_Parameters\n"
    "O01 1.00 -0.40 0.20\n"
    "O02 0.90 0.10 0.15\n"
    "O03 1.25 0.90 0.22\n"
    "O04 1.00 0.00 0.20\n"
    "$Theta_Distribution\n"
    "-1 0.25\n"
    "0 0.5\n"
    "1 0.25\n";

RunRecords read_records(const std::string& text) {
  RunRecords records;
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  EXPECT_NE(in, nullptr);
  EXPECT_EQ(read_input(in, records.n_new, records.n_old, records.n_theta, records.new_form,
                       records.old_form, records.theta, records.conversion),
            0);
  std::fclose(in);
  return records;
}

// Runs the equating into a memory stream and returns what reached it.
RunStatus equate_to_memory(const RunRecords& records, std::string& report) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  ReportTarget target;
  target.stream = stream;
  const RunStatus status = equate_and_report(records, "forms.txt", target);
  std::fclose(stream);
  report.assign(buffer, size);
  std::free(buffer);
  return status;
}

TEST(RunTest, ScaleScoresThatOverflowAreNeverReported) {
  // Neighbouring rows 2e308 apart: the segment's slope is infinite.
  const std::string text = std::string(FORMS_WITH_QUADRATURE) +
                           "$Link_Conversion\n"
                           "raw scale\n"
                           "3 0 2 1 0\n"
                           "0 -1e308 0 0\n"
                           "1 1e308 0 1\n"
                           "2 1e308 0 2\n";
  const RunRecords records = read_records(text);
  std::string report;
  EXPECT_EQ(equate_to_memory(records, report), RUN_EQUATING_ERROR);
  EXPECT_EQ(report, "");
}

TEST(RunTest, MessagesAreTheProgramsOwn) {
  EXPECT_STREQ(run_status_message(RUN_CANNOT_OPEN_INPUT), "Could not open input file.\n");
  EXPECT_STREQ(run_status_message(RUN_READ_ERROR), "Error in reading input data.\n");
  EXPECT_STREQ(run_status_message(RUN_NO_MEMORY), "Could not allocate memory.\n");
  EXPECT_STREQ(run_status_message(RUN_EQUATING_ERROR),
               "Error in calculating equating functions.\n");
  EXPECT_STREQ(run_status_message(RUN_CANNOT_OPEN_OUTPUT), "Could not open output file.\n");
  EXPECT_STREQ(run_status_message(RUN_WRITE_ERROR), "Error in writing output file.\n");
}

}  // namespace
