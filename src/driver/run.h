// The run of one input file: read, equate, write the report and the other outputs
#pragma once

#include <cstdio>
#include <string>

#include "zol/zol.h"

namespace zol {

// What the command line asks beyond the report.
struct RunOptions {
  // Say on standard error why a run failed, or what a successful one found odd.
  bool explain = false;
  // Files for the results as CSV and as an SVG picture, written after the
  // report; none when null.
  const char* csv_path = nullptr;
  const char* plot_path = nullptr;
  // With a linking: the new form's items on the old scale, as an input
  // section, and the common items with their drift, as CSV.
  const char* linked_items_path = nullptr;
  const char* common_items_path = nullptr;
  // A file of the covariances of the forms' estimates, read against the
  // input once it is read; none when null.
  const char* covariance_path = nullptr;
  // How the input is read: item records that name their model.
  ReadOptions reading;
  // What the equating does beyond the report: linking first, rounding on the
  // reporting scale, the scaling constant.
  Options equating;
};

// Where the report goes: the file at path, opened only once the computation
// has succeeded, or else an open stream that the caller keeps (standard output).
struct ReportTarget {
  const char* path = nullptr;
  std::FILE* stream = nullptr;
};

// How a run ended.
struct RunOutcome {
  bool ok = true;
  std::string usage_error;  // for standard error, status 2: the options do not fit the input
  std::string message;    // for standard output: the failure's message
  std::string stop_text;  // for standard error: a root search's stop, as it ends the run
  std::string cause;      // the failure's cause, as --explain shows it after "zol: "
  Warnings warnings;      // what a successful run found odd
};

// The program's messages on standard output: the library's failures have
// theirs by their kind and stage (the input not opened, not read, no memory
// for the results, an equating that fails), and a report, CSV or picture file
// that cannot be opened or written its own.
inline constexpr const char* CANNOT_OPEN_INPUT = "Could not open input file.\n";
inline constexpr const char* CANNOT_READ_INPUT = "Error in reading input data.\n";
inline constexpr const char* CANNOT_ALLOCATE = "Could not allocate memory.\n";
inline constexpr const char* CANNOT_EQUATE = "Error in calculating equating functions.\n";
inline constexpr const char* CANNOT_OPEN_OUTPUT = "Could not open output file.\n";
inline constexpr const char* CANNOT_WRITE_OUTPUT = "Error in writing output file.\n";

// Equates the input's forms and, only when that has succeeded, writes the
// report (its banner naming the input) and then the other outputs.
[[nodiscard]] RunOutcome equate_and_report(const Input& input, const ReportTarget& target,
                                           const RunOptions& options);

// A whole run: reads the input file and any covariance file, then equates
// and reports. The warnings of a successful run are the given ones, then the
// reader's, then the covariance file's, then the equating's.
[[nodiscard]] RunOutcome run_files(const char* input_name, const ReportTarget& target,
                                   const RunOptions& options, Warnings warnings = {});

// Writes what --explain shows of the outcome to the stream, as lines
// "zol: FILE:LINE: text", "zol: FILE: text" or "zol: text": the cause of a
// failed run, or the warnings of a successful one, at most
// Warnings::MOST_WARNINGS and a count of the rest.
void write_explanation(std::FILE* stream, const char* input_name, const RunOutcome& outcome);

// A cause or warning as --explain shows it after "zol: ": "FILE:LINE: text",
// "FILE: text" or "text", with the program's words for its hint.
std::string finding_line(const Finding& finding, const char* input_name);

// One whitespace-delimited word from the stream, of any length; empty at the
// end of the stream.
std::string read_word(std::FILE* stream);

}  // namespace zol
