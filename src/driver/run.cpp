// The run of one input file: the library's reading and equating, then the files the run writes
#include "driver/run.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "common/describe.h"
#include "driver/same_file.h"

namespace zol {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// The program's message for a failure of the library: the input not
// opened, not read (a rule of the format or of the records, or memory
// while reading), the results' memory, or the equating (its own scratch
// included); a root search that stops has its three lines instead.
const char* program_message(const Error& error) {
  switch (error.kind) {
    case ErrorKind::CANNOT_OPEN_INPUT:
      return CANNOT_OPEN_INPUT;
    case ErrorKind::ROOT_NOT_BRACKETED:
    case ErrorKind::ROOT_NOT_CONVERGED:
      return "";
    case ErrorKind::INVALID_INPUT:
    case ErrorKind::NOT_COMPUTABLE:
    case ErrorKind::NO_MEMORY:
      break;
  }
  switch (error.stage) {
    case Stage::READING:
    case Stage::CHECKING:
      return CANNOT_READ_INPUT;
    case Stage::SIZING:
    case Stage::FORMATTING:
      return CANNOT_ALLOCATE;
    case Stage::LINKING:
    case Stage::EQUATING:
      break;
  }
  return CANNOT_EQUATE;
}

// The three lines on standard error of a root search that stops.
std::string stop_text(ErrorKind kind) {
  return std::string("Numerical Recipes run-time error...\n") +
         (kind == ErrorKind::ROOT_NOT_BRACKETED ? "Root must be bracketed in rtsafe"
                                                : "Maximum number of iterations exceeded in rtsafe") +
         "\n...now exiting to system...\n";
}

RunOutcome failed_with(const Error& error, const char* input_name, const RunOptions& options) {
  RunOutcome outcome;
  outcome.ok = false;
  if (error.kind == ErrorKind::ROOT_NOT_BRACKETED || error.kind == ErrorKind::ROOT_NOT_CONVERGED) {
    outcome.stop_text = stop_text(error.kind);
  } else {
    outcome.message = program_message(error);
  }
  // A cause of the linking names the option that asked for it.
  if (error.stage == Stage::LINKING && options.equating.link) {
    outcome.cause = describe("--link %s: ", link_method_option(*options.equating.link));
  }
  outcome.cause += finding_line(error.cause, input_name);
  return outcome;
}

RunOutcome failed_output(const char* message, std::string cause) {
  RunOutcome outcome;
  outcome.ok = false;
  outcome.message = message;
  outcome.cause = std::move(cause);
  return outcome;
}

// One file the run writes: the file at path, opened only now, or else an
// open stream that the caller keeps (standard output).
struct Output {
  const char* path;
  std::FILE* stream;
  const char* what;
  std::function<Expected<std::string>()> format;
};

RunOutcome write_output(const Output& output) {
  const Expected<std::string> text = output.format();
  if (!text) return failed_with(text.error(), "", {});
  OwnedFile opened;
  std::FILE* out = output.stream;
  if (output.path != nullptr) {
    // Binary: line feeds are written as they are, on Windows too.
    opened.reset(std::fopen(output.path, "wb"));
    if (!opened) {
      return failed_output(CANNOT_OPEN_OUTPUT,
                           output.path[0] == '\0'
                               ? describe("no %s file name was given", output.what)
                               : describe("cannot open %s file '%s': %s", output.what,
                                          output.path, std::strerror(errno)));
    }
    out = opened.get();
  }
  // A full device or a failed close must not pass for a finished file; the
  // first failed write leaves its cause in errno.
  errno = 0;
  std::fwrite(text->data(), 1, text->size(), out);
  bool written = std::fflush(out) == 0 && !std::ferror(out);
  if (opened && std::fclose(opened.release()) != 0) written = false;
  if (!written) {
    const char* why = errno != 0 ? std::strerror(errno) : "the write failed";
    // A file cut short stays where it is, beside the message: what the user
    // named is never deleted, since it may be a device or someone else's file.
    return failed_output(
        CANNOT_WRITE_OUTPUT,
        output.path != nullptr
            ? describe("cannot write %s file '%s': %s", output.what, output.path, why)
            : describe("cannot write the %s to standard output: %s", output.what, why));
  }
  return {};
}

// Warnings about another file than the input, which name that file: the
// explanation names the input in every other warning.
Warnings named_warnings(const Warnings& warnings, const char* file_name) {
  Warnings named{{}, warnings.not_kept};
  for (const Finding& warning : warnings.kept) {
    named.kept.push_back({finding_line(warning, file_name), false, 0, Hint::NONE});
  }
  return named;
}

}  // namespace

std::string finding_line(const Finding& finding, const char* input_name) {
  std::string line;
  if (finding.about_input) {
    line = finding.line == 0 ? describe("%s: ", input_name)
                             : describe("%s:%lld: ", input_name,
                                        static_cast<long long>(finding.line));
  }
  line += finding.text;
  switch (finding.hint) {
    case Hint::MIXED_FORMAT:
      return line + "; a record that names its model (3PL, GPCM, GRM) is read with --mixed-format";
    case Hint::ROUND_SCALE:
      return line + "; --round-scale rounds on the scale instead";
    case Hint::NONE:
      break;
  }
  return line;
}

RunOutcome equate_and_report(const Input& input, const ReportTarget& target,
                             const RunOptions& options) {
  const Expected<Results> results = equate(input, options.equating);
  if (!results) return failed_with(results.error(), input.name.c_str(), options);
  // Checked only now, as any report file is opened only now: the input stays
  // as it is, whatever name reaches it.
  if (target.path != nullptr && same_file_on_disk(target.path, input.name.c_str())) {
    return failed_output(CANNOT_OPEN_OUTPUT,
                         describe("the report file '%s' is the input file; writing it would "
                                  "destroy the input, so nothing was written",
                                  target.path));
  }
  // The data, the picture and the linked items follow a whole report, by the
  // report's rules.
  const Output outputs[] = {
      {target.path, target.stream, "report", [&] { return format_report(*results); }},
      {options.csv_path, nullptr, "CSV", [&] { return format_csv(*results); }},
      {options.plot_path, nullptr, "plot", [&] { return format_svg(*results); }},
      {results->linking ? options.linked_items_path : nullptr, nullptr, "linked items",
       [&] { return format_linked_items(*results); }},
      {results->linking ? options.common_items_path : nullptr, nullptr, "common items",
       [&] { return format_common_items(*results); }},
  };
  for (const Output& output : outputs) {
    if (output.path == nullptr && output.stream == nullptr) continue;
    if (RunOutcome written = write_output(output); !written.ok) return written;
  }
  RunOutcome outcome;
  outcome.warnings = results->warnings;
  return outcome;
}

RunOutcome run_files(const char* input_name, const ReportTarget& target,
                     const RunOptions& options, Warnings warnings) {
  Expected<ReadInput> read = read_input_file(input_name, options.reading);
  if (!read) return failed_with(read.error(), input_name, options);
  // Known only now that the input is read: a synthetic population needs both groups.
  if (options.equating.synthetic_weight && (!read->input.theta || !read->input.old_theta)) {
    RunOutcome outcome;
    outcome.ok = false;
    outcome.usage_error = describe(
        "--synthetic-weight needs two groups, but %s has no %s", input_name,
        read->input.theta ? "$Link_Theta_Distribution (the old group's ability distribution)"
                          : "$Theta_Distribution or $Link_Theta_Distribution (the two groups' "
                            "ability distributions)");
    return outcome;
  }
  Warnings covariance_warnings;
  if (options.covariance_path != nullptr) {
    Expected<ReadCovariance> covariance =
        read_covariance_file(options.covariance_path, read->input);
    if (!covariance) return failed_with(covariance.error(), options.covariance_path, options);
    read->input.new_covariance = std::move(covariance->new_covariance);
    read->input.old_covariance = std::move(covariance->old_covariance);
    covariance_warnings = named_warnings(covariance->warnings, options.covariance_path);
  }
  RunOutcome outcome = equate_and_report(read->input, target, options);
  if (outcome.ok) {
    add_warnings(warnings, read->warnings);
    add_warnings(warnings, covariance_warnings);
    add_warnings(warnings, outcome.warnings);
    outcome.warnings = std::move(warnings);
  }
  return outcome;
}

void write_explanation(std::FILE* stream, const char* input_name, const RunOutcome& outcome) {
  if (!outcome.ok) {
    if (!outcome.cause.empty()) std::fprintf(stream, "zol: %s\n", outcome.cause.c_str());
    return;
  }
  for (const Finding& warning : outcome.warnings.kept) {
    std::fprintf(stream, "zol: %s\n", finding_line(warning, input_name).c_str());
  }
  if (outcome.warnings.not_kept > 0) {
    std::fprintf(stream, "zol: %s: warning: %lld more like these\n", input_name,
                 static_cast<long long>(outcome.warnings.not_kept));
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
