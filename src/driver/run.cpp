// The run of one input file: workspace, pipeline, scale conversion and report
#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "allocation.h"
#include "driver.h"
#include "input_reader.h"
#include "pipeline.h"
#include "report.h"
#include "scale_conversion.h"

namespace {

// Vectors the run keeps per raw score; all of them share one block.
constexpr std::size_t WORKSPACE_VECTORS = 7;

struct Workspace {
  std::unique_ptr<double[]> block;
  ScoreVector observed_equated, true_equated, theta_equivalent, new_distribution, old_distribution,
      unrounded_scale, rounded_scale;
};

bool allocate_workspace(std::int32_t n_new, std::int32_t n_old, Workspace& workspace) {
  const auto length = static_cast<std::size_t>(std::max(n_new, n_old)) + 1;
  workspace.block = allocate_array<double>(WORKSPACE_VECTORS * length);
  if (!workspace.block) return false;
  ScoreVector* vectors[WORKSPACE_VECTORS] = {
      &workspace.observed_equated, &workspace.true_equated,     &workspace.theta_equivalent,
      &workspace.new_distribution, &workspace.old_distribution, &workspace.unrounded_scale,
      &workspace.rounded_scale};
  for (std::size_t k = 0; k < WORKSPACE_VECTORS; ++k) {
    *vectors[k] = ScoreVector(workspace.block.get() + k * length, length);
  }
  return true;
}

bool all_finite(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Converts scores and tells whether every scale score came out finite; the
// report must never show a scale score that is not a number.
bool converts_finitely(std::span<const double> scores, const ScaleConversion& conversion,
                       const ScaleConversion& output) {
  convert_to_scale(scores, conversion, output);
  const auto n = static_cast<std::size_t>(output.row_count);
  return all_finite(output.unrounded.first(n)) && all_finite(output.rounded.first(n));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

const char* run_status_message(RunStatus status) {
  switch (status) {
    case RUN_OK:
      return "";
    case RUN_CANNOT_OPEN_INPUT:
      return "Could not open input file.\n";
    case RUN_READ_ERROR:
      return "Error in reading input data.\n";
    case RUN_NO_MEMORY:
      return "Could not allocate memory.\n";
    case RUN_EQUATING_ERROR:
      return "Error in calculating equating functions.\n";
    case RUN_CANNOT_OPEN_OUTPUT:
      return "Could not open output file.\n";
    case RUN_WRITE_ERROR:
      return "Error in writing output file.\n";
  }
  return "";
}

RunStatus equate_and_report(const RunRecords& records, const char* input_name,
                            const ReportTarget& target) {
  const std::int32_t n_new = records.n_new;
  Workspace ws;
  if (!allocate_workspace(n_new, records.n_old, ws)) return RUN_NO_MEMORY;

  const auto scores = static_cast<std::size_t>(n_new) + 1;
  ScaleConversion output;
  output.row_count = n_new + 1;
  output.lowest = records.conversion.lowest;
  output.highest = records.conversion.highest;
  output.increment = records.conversion.increment;
  output.unrounded = ws.unrounded_scale.first(scores);
  output.rounded = ws.rounded_scale.first(scores);
  output.flag = 0;

  double chance_score = 0.0;
  if (compute_equating_functions(n_new, records.n_old, records.n_theta, records.new_form,
                                 records.old_form, records.theta, ws.observed_equated,
                                 ws.true_equated, ws.theta_equivalent, &chance_score,
                                 ws.new_distribution, ws.old_distribution) != 0) {
    return RUN_EQUATING_ERROR;
  }
  // Nothing reaches the report until every scale score is known to be finite.
  if (!converts_finitely(ws.true_equated, records.conversion, output) ||
      (records.n_theta != 0 &&
       !converts_finitely(ws.observed_equated, records.conversion, output))) {
    return RUN_EQUATING_ERROR;
  }

  OwnedFile opened;
  std::FILE* report = target.stream;
  if (target.path != nullptr) {
    opened.reset(std::fopen(target.path, "w"));
    if (!opened) return RUN_CANNOT_OPEN_OUTPUT;
    report = opened.get();
  }

  write_banner(report, input_name);
  convert_to_scale(ws.true_equated, records.conversion, output);
  write_true_score_report(report, n_new, ws.theta_equivalent, ws.true_equated, chance_score,
                          output);
  if (records.n_theta != 0) {
    convert_to_scale(ws.observed_equated, records.conversion, output);
    write_observed_score_report(report, n_new, records.n_old, ws.observed_equated,
                                ws.new_distribution, ws.old_distribution, output);
  }
  // A full device or a failed close must not pass for a finished report.
  bool written = std::fflush(report) == 0 && !std::ferror(report);
  if (opened && std::fclose(opened.release()) != 0) written = false;
  // A report cut short stays where it is, beside the message: what the user
  // named is never deleted, since it may be a device or someone else's file.
  return written ? RUN_OK : RUN_WRITE_ERROR;
}

RunStatus run_files(const char* input_name, const ReportTarget& target) {
  OwnedFile input(std::fopen(input_name, "r"));
  if (!input) return RUN_CANNOT_OPEN_INPUT;
  RunRecords records;
  if (read_input(input.get(), records.n_new, records.n_old, records.n_theta, records.new_form,
                 records.old_form, records.theta, records.conversion) != 0) {
    return RUN_READ_ERROR;
  }
  input.reset();
  return equate_and_report(records, input_name, target);
}

std::string read_word(std::FILE* stream) {
  std::string word;
  int ch = std::getc(stream);
  while (ch != EOF && std::isspace(ch)) ch = std::getc(stream);
  while (ch != EOF && !std::isspace(ch)) {
    word.push_back(static_cast<char>(ch));
    ch = std::getc(stream);
  }
  // Leave the delimiter unread, as a formatted read of a word does.
  if (ch != EOF) std::ungetc(ch, stream);
  return word;
}
