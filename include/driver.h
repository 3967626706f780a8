// The run of one input file: records, workspace, stages in order, failure messages
#pragma once

#include <cstdio>
#include <string>

#include "records.h"

namespace zol {

// How a run ended; every value but OK has its own message.
enum class RunStatus {
  OK,
  CANNOT_OPEN_INPUT,
  READ_ERROR,
  NO_MEMORY,
  EQUATING_ERROR,
  CANNOT_OPEN_OUTPUT,
  WRITE_ERROR,
};

// The message the driver prints on standard output for a failed run.
const char* run_status_message(RunStatus status);

// Where the report goes: the file at path, opened only once the computation
// has succeeded, or else an open stream that the caller keeps (standard output).
struct ReportTarget {
  const char* path = nullptr;
  std::FILE* stream = nullptr;
};

// Equates the forms of the input and, only when every result is a finite
// number, writes the report with its banner naming input_name.
[[nodiscard]] RunStatus equate_and_report(const InputRecords& input, const char* input_name,
                                          const ReportTarget& target);

// A whole run: opens and reads the input file, then equates and reports.
[[nodiscard]] RunStatus run_files(const char* input_name, const ReportTarget& target);

// One whitespace-delimited word from the stream, of any length; empty at the
// end of the stream.
std::string read_word(std::FILE* stream);

}  // namespace zol
