// The run of one input file: workspace, pipeline, scale conversion and report
#include <algorithm>
#include <cctype>
#include <memory>

#include "common/allocation.h"
#include "common/finite.h"
#include "driver.h"
#include "input_reader.h"
#include "pipeline.h"
#include "report.h"
#include "scale_conversion.h"

namespace zol {

namespace {

// The vectors a run keeps per raw score, in one block: the tables of both
// equatings and the scale scores of each.
struct Workspace {
  std::unique_ptr<double[]> block;
  TrueScoreTable true_scores;
  ObservedScoreTable observed;
  ScaleScores true_scale;
  ScaleScores observed_scale;
};

constexpr std::size_t WORKSPACE_VECTORS = 9;

bool allocate_workspace(const InputRecords& input, Workspace& ws) {
  const auto new_scores = static_cast<std::size_t>(input.new_form.count) + 1;
  const auto old_scores = static_cast<std::size_t>(input.old_form.count) + 1;
  const std::size_t length = std::max(new_scores, old_scores);
  ws.block = allocate_array<double>(WORKSPACE_VECTORS * length);
  if (!ws.block) return false;
  std::size_t next = 0;
  const auto vector = [&](std::size_t size) {
    return ScoreVector(ws.block.get() + length * next++, size);
  };
  ws.observed.observed_equated = vector(new_scores);
  ws.true_scores.true_equated = vector(new_scores);
  ws.true_scores.theta_equivalent = vector(new_scores);
  ws.observed.new_distribution = vector(new_scores);
  ws.observed.old_distribution = vector(old_scores);
  ws.true_scale = {vector(new_scores), vector(new_scores)};
  ws.observed_scale = {vector(new_scores), vector(new_scores)};
  return true;
}

// Converts scores and tells whether every scale score came out finite; the
// report must never show a scale score that is not a number.
bool converts_finitely(std::span<const double> scores, const ScaleConversion& table,
                       const ScaleScores& scale) {
  convert_to_scale(scores, table, scale);
  return all_finite(scale.unrounded) && all_finite(scale.rounded);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

const char* run_status_message(RunStatus status) {
  switch (status) {
    case RunStatus::OK:
      return "";
    case RunStatus::CANNOT_OPEN_INPUT:
      return "Could not open input file.\n";
    case RunStatus::READ_ERROR:
      return "Error in reading input data.\n";
    case RunStatus::NO_MEMORY:
      return "Could not allocate memory.\n";
    case RunStatus::EQUATING_ERROR:
      return "Error in calculating equating functions.\n";
    case RunStatus::CANNOT_OPEN_OUTPUT:
      return "Could not open output file.\n";
    case RunStatus::WRITE_ERROR:
      return "Error in writing output file.\n";
  }
  return "";
}

RunStatus equate_and_report(const InputRecords& input, const char* input_name,
                            const ReportTarget& target) {
  Workspace ws;
  if (!allocate_workspace(input, ws)) return RunStatus::NO_MEMORY;
  if (compute_equating_functions(input, ws.true_scores, ws.observed) != EquatingStatus::OK) {
    return RunStatus::EQUATING_ERROR;
  }
  const bool observed = input.theta.count != 0;
  // Nothing reaches the report until every scale score is known to be finite.
  if (!converts_finitely(ws.true_scores.true_equated, input.conversion, ws.true_scale) ||
      (observed &&
       !converts_finitely(ws.observed.observed_equated, input.conversion, ws.observed_scale))) {
    return RunStatus::EQUATING_ERROR;
  }

  OwnedFile opened;
  std::FILE* report = target.stream;
  if (target.path != nullptr) {
    // Binary: line feeds are written as they are, on Windows too.
    opened.reset(std::fopen(target.path, "wb"));
    if (!opened) return RunStatus::CANNOT_OPEN_OUTPUT;
    report = opened.get();
  }
  write_banner(report, input_name);
  write_true_score_report(report, ws.true_scores, ws.true_scale);
  if (observed) write_observed_score_report(report, ws.observed, ws.observed_scale);

  // A full device or a failed close must not pass for a finished report.
  bool written = std::fflush(report) == 0 && !std::ferror(report);
  if (opened && std::fclose(opened.release()) != 0) written = false;
  // A report cut short stays where it is, beside the message: what the user
  // named is never deleted, since it may be a device or someone else's file.
  return written ? RunStatus::OK : RunStatus::WRITE_ERROR;
}

RunStatus run_files(const char* input_name, const ReportTarget& target) {
  std::optional<InputRecords> input;
  {
    // Binary, so that counting a section ahead and going back over it works
    // on every platform; a carriage return before a line feed is dropped
    // when the line is read.
    const OwnedFile file(std::fopen(input_name, "rb"));
    if (!file) return RunStatus::CANNOT_OPEN_INPUT;
    input = read_input(file.get());
  }
  if (!input) return RunStatus::READ_ERROR;
  return equate_and_report(*input, input_name, target);
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

}  // namespace zol
