// The run of one input file: workspace, pipeline, scale conversion and report
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "common/allocation.h"
#include "common/describe.h"
#include "common/finite.h"
#include "common/same_file.h"
#include "driver.h"
#include "driver/explain.h"
#include "input_reader.h"
#include "pipeline.h"
#include "report.h"
#include "result_files.h"
#include "root_finder.h"
#include "scale_conversion.h"

namespace zol {

namespace {

// The vectors a run keeps per raw score, in one block: the tables of both
// equatings and the scale scores of each.
struct Workspace {
  std::unique_ptr<double[]> block;
  RunResults results;
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
  RunResults& r = ws.results;
  r.observed = input.theta.count != 0;
  r.observed_scores.observed_equated = vector(new_scores);
  r.true_scores.true_equated = vector(new_scores);
  r.true_scores.theta_equivalent = vector(new_scores);
  r.observed_scores.new_distribution = vector(new_scores);
  r.observed_scores.old_distribution = vector(old_scores);
  r.true_scale = {vector(new_scores), vector(new_scores)};
  r.observed_scale = {vector(new_scores), vector(new_scores)};
  return true;
}

// Converts scores and tells whether every scale score came out finite; the
// report must never show a scale score that is not a number.
bool converts_finitely(std::span<const double> scores, const ScaleConversion& table,
                       const ScaleScores& scale, std::optional<double> round_scale_unit) {
  convert_to_scale(scores, table, scale);
  if (round_scale_unit) {
    round_on_reporting_scale(scale.unrounded.first(scores.size()), table, *round_scale_unit,
                             scale.rounded);
  }
  return all_finite(scale.unrounded) && all_finite(scale.rounded);
}

// While a run explains itself, a root search that cannot go on writes its
// fatal text and then unwinds to the driver instead of ending the process.
class ExplainedStops {
 public:
  explicit ExplainedStops(bool explain)
      : previous_(explain ? set_fatal_numeric_handler(write_and_throw) : nullptr),
        installed_(explain) {}
  ~ExplainedStops() {
    if (installed_) set_fatal_numeric_handler(previous_);
  }
  ExplainedStops(const ExplainedStops&) = delete;
  ExplainedStops& operator=(const ExplainedStops&) = delete;

 private:
  [[noreturn]] static void write_and_throw(const char* message) {
    write_fatal_text(message);
    throw FatalNumericStop{message};
  }
  FatalNumericHandler previous_;
  bool installed_;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// One file the run writes: the file at path, opened only now, or else an
// open stream that the caller keeps (standard output).
struct Output {
  const char* path;
  std::FILE* stream;
  const char* what;
  std::function<void(std::FILE*)> write;
};

RunStatus write_output(const Output& output, Findings& findings) {
  OwnedFile opened;
  std::FILE* out = output.stream;
  if (output.path != nullptr) {
    // Binary: line feeds are written as they are, on Windows too.
    opened.reset(std::fopen(output.path, "wb"));
    if (!opened) {
      findings.fail(about_run(output.path[0] == '\0'
                                  ? describe("no %s file name was given", output.what)
                                  : describe("cannot open %s file '%s': %s", output.what,
                                             output.path, std::strerror(errno))));
      return RunStatus::CANNOT_OPEN_OUTPUT;
    }
    out = opened.get();
  }
  // A full device or a failed close must not pass for a finished file; the
  // first failed write leaves its cause in errno.
  errno = 0;
  output.write(out);
  bool written = std::fflush(out) == 0 && !std::ferror(out);
  if (opened && std::fclose(opened.release()) != 0) written = false;
  if (!written) {
    const char* why = errno != 0 ? std::strerror(errno) : "the write failed";
    findings.fail(
        about_run(output.path != nullptr
                      ? describe("cannot write %s file '%s': %s", output.what, output.path, why)
                      : describe("cannot write the %s to standard output: %s", output.what, why)));
  }
  // A file cut short stays where it is, beside the message: what the user
  // named is never deleted, since it may be a device or someone else's file.
  return written ? RunStatus::OK : RunStatus::WRITE_ERROR;
}

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
    case RunStatus::NUMERIC_STOP:
      break;
  }
  return "";
}

RunStatus equate_and_report(const InputRecords& input, const char* input_name,
                            const ReportTarget& target, const RunOptions& options,
                            Findings& findings) {
  Workspace ws;
  if (!allocate_workspace(input, ws)) {
    findings.fail(about_run(
        describe("not enough memory for the results of %d raw scores", input.new_form.count + 1)));
    return RunStatus::NO_MEMORY;
  }
  RunResults& r = ws.results;
  EquatingStatus status = EquatingStatus::OK;
  try {
    const ExplainedStops stops(options.explain);
    status = compute_equating_functions(input, options.link, r);
  } catch (const FatalNumericStop& stop) {
    findings.fail(explain_stop(stop.message, input, r));
    return RunStatus::NUMERIC_STOP;
  }
  if (status != EquatingStatus::OK) {
    findings.fail(explain_equating(status, input, r));
    return RunStatus::EQUATING_ERROR;
  }
  // Nothing reaches the report until every scale score is known to be finite.
  if (!converts_finitely(r.true_scores.true_equated, input.conversion, r.true_scale,
                         options.round_scale_unit)) {
    findings.fail(explain_scale(input, r.true_scores.true_equated, r.true_scale));
    return RunStatus::EQUATING_ERROR;
  }
  if (r.observed && !converts_finitely(r.observed_scores.observed_equated, input.conversion,
                                       r.observed_scale, options.round_scale_unit)) {
    findings.fail(explain_scale(input, r.observed_scores.observed_equated, r.observed_scale));
    return RunStatus::EQUATING_ERROR;
  }
  warn_about_scale(input.conversion, r.true_scores.true_equated,
                   r.observed ? std::span<const double>(r.observed_scores.observed_equated)
                              : std::span<const double>(),
                   options.round_scale_unit.has_value(), findings);
  // Checked only now, as any report file is opened only now: the input stays
  // as it is, whatever name reaches it.
  if (target.path != nullptr && same_file_on_disk(target.path, input_name)) {
    findings.fail(
        about_run(describe("the report file '%s' is the input file; writing it would "
                           "destroy the input, so nothing was written",
                           target.path)));
    return RunStatus::CANNOT_OPEN_OUTPUT;
  }

  const auto report = [&](std::FILE* out) {
    write_banner(out, input_name);
    if (r.linking) write_linking(out, *r.linking);
    write_true_score_report(out, r.true_scores, r.true_scale);
    if (r.observed) write_observed_score_report(out, r.observed_scores, r.observed_scale);
  };
  // The data and the picture follow a whole report, by the report's rules.
  const Output outputs[] = {
      {target.path, target.stream, "report", report},
      {options.csv_path, nullptr, "CSV", [&](std::FILE* out) { write_csv(out, r); }},
      {options.plot_path, nullptr, "plot", [&](std::FILE* out) { write_plot(out, r, input_name); }},
      {r.linking ? options.linked_items_path : nullptr, nullptr, "linked items",
       [&](std::FILE* out) { write_linked_items(out, input.new_form, *r.linking); }},
  };
  for (const Output& output : outputs) {
    if (output.path == nullptr && output.stream == nullptr) continue;
    if (const RunStatus written = write_output(output, findings); written != RunStatus::OK) {
      return written;
    }
  }
  return RunStatus::OK;
}

RunStatus run_files(const char* input_name, const ReportTarget& target, const RunOptions& options,
                    Findings& findings) {
  std::optional<InputRecords> input;
  {
    // Binary, so that counting a section ahead and going back over it works
    // on every platform; a carriage return before a line feed is dropped
    // when the line is read.
    const OwnedFile file(std::fopen(input_name, "rb"));
    if (!file) {
      findings.fail(about_run(input_name[0] == '\0' ? std::string("no input file name was given")
                                                    : describe("cannot open input file '%s': %s",
                                                               input_name, std::strerror(errno))));
      return RunStatus::CANNOT_OPEN_INPUT;
    }
    input = read_input(file.get(), findings);
  }
  if (!input) return RunStatus::READ_ERROR;
  return equate_and_report(*input, input_name, target, options, findings);
}

void write_findings(std::FILE* stream, const char* input_name, const Findings& findings,
                    bool failed) {
  const auto write = [&](const Finding& finding) {
    if (!finding.about_input) {
      std::fprintf(stream, "zol: %s\n", finding.text.c_str());
    } else if (finding.line == 0) {
      std::fprintf(stream, "zol: %s: %s\n", input_name, finding.text.c_str());
    } else {
      std::fprintf(stream, "zol: %s:%lld: %s\n", input_name, static_cast<long long>(finding.line),
                   finding.text.c_str());
    }
  };
  if (failed) {
    if (!findings.failure.text.empty()) write(findings.failure);
    return;
  }
  for (const Finding& warning : findings.warnings) write(warning);
  if (findings.warnings_not_kept > 0) {
    write({describe("warning: %lld more like these",
                    static_cast<long long>(findings.warnings_not_kept)),
           true, 0});
  }
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
