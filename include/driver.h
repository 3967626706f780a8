// The run of one input file: records, workspace, stages in order, failure messages
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "records.h"

// How a run ended; every value but RUN_OK has its own message.
enum RunStatus {
  RUN_OK = 0,
  RUN_CANNOT_OPEN_INPUT,
  RUN_READ_ERROR,
  RUN_NO_MEMORY,
  RUN_EQUATING_ERROR,
  RUN_CANNOT_OPEN_OUTPUT,
  RUN_WRITE_ERROR,
};

// The message the driver prints on standard output for a failed run.
const char* run_status_message(RunStatus status);

// What read_input fills for a run.
struct RunRecords {
  std::int32_t n_new = 0;
  std::int32_t n_old = 0;
  std::int32_t n_theta = 0;
  ItemSet new_form;
  ItemSet old_form;
  ThetaDistribution theta;
  ScaleConversion conversion;
};

// Where the report goes: the file at path, opened only once the computation
// has succeeded, or else an open stream that the caller keeps (standard output).
struct ReportTarget {
  const char* path = nullptr;
  std::FILE* stream = nullptr;
};

// Equates the forms of records and, only when every result is a finite
// number, writes the report with its banner naming input_name.
[[nodiscard]] RunStatus equate_and_report(const RunRecords& records, const char* input_name,
                                          const ReportTarget& target);

// A whole run: opens and reads the input file, then equates and reports.
[[nodiscard]] RunStatus run_files(const char* input_name, const ReportTarget& target);

// One whitespace-delimited word from the stream, of any length; empty at the
// end of the stream.
std::string read_word(std::FILE* stream);
