// The run of one input file: records, workspace, stages in order, failure messages
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "findings.h"
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
  NUMERIC_STOP,  // a root search could not go on; its fatal text is on standard error
};

// The message the driver prints on standard output for a failed run.
const char* run_status_message(RunStatus status);

// What the command line asks beyond the report.
struct RunOptions {
  // Stop a root search that cannot go on by an exception, after its fatal
  // text, so that the run can say which raw score and which items it met.
  bool explain = false;
  // Files for the results as CSV and as an SVG picture, written after the
  // report; none when null.
  const char* csv_path = nullptr;
  const char* plot_path = nullptr;
  // Put the new form on the old form's scale through common items first.
  std::optional<LinkMethod> link;
  // With link: the new form's items on the old scale, as an input section.
  const char* linked_items_path = nullptr;
  // Round scale scores to multiples of this unit within the conversion
  // table's smallest and largest scale score, instead of the table's raw-score
  // bounds and increment.
  std::optional<double> round_scale_unit;
};

// Where the report goes: the file at path, opened only once the computation
// has succeeded, or else an open stream that the caller keeps (standard output).
struct ReportTarget {
  const char* path = nullptr;
  std::FILE* stream = nullptr;
};

// Equates the forms of the input and, only when every result is a finite
// number, writes the report with its banner naming input_name. Why a run
// failed goes to findings.
[[nodiscard]] RunStatus equate_and_report(const InputRecords& input, const char* input_name,
                                          const ReportTarget& target, const RunOptions& options,
                                          Findings& findings);

// A whole run: opens and reads the input file, then equates and reports.
[[nodiscard]] RunStatus run_files(const char* input_name, const ReportTarget& target,
                                  const RunOptions& options, Findings& findings);

// Writes the findings to the stream as lines "zol: FILE:LINE: text", "zol:
// FILE: text" or "zol: text": the cause of a failed run, or the warnings of a
// successful one, at most Findings::MOST_WARNINGS and a count of the rest.
void write_findings(std::FILE* stream, const char* input_name, const Findings& findings,
                    bool failed);

// One whitespace-delimited word from the stream, of any length; empty at the
// end of the stream.
std::string read_word(std::FILE* stream);

}  // namespace zol
