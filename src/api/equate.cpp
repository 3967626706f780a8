// The library's equating and its outputs: records in, results or an error out
#include <iterator>
#include <new>

#include "api/records_bridge.h"
#include "report/report.h"
#include "report/scale_conversion.h"
#include "report/result_files.h"

namespace zol {

namespace {

Error explained(Error error, const std::string& name) {
  error.explanation = explanation_line(error.cause, name);
  return error;
}

Error out_of_memory(const std::string& name) {
  return explained(failure_of(ErrorKind::NO_MEMORY, about_run("not enough memory")), name);
}

// Text formatted from the results, or the error of running out of memory.
template <typename Write>
Expected<std::string> formatted(const Results& results, Write write) {
  try {
    std::string text;
    write(text);
    return text;
  } catch (const std::bad_alloc&) {
    return out_of_memory(results.input_name);
  }
}

}  // namespace

namespace {

// Each kind's message, as the program prints it, and its name for other languages.
struct KindText {
  ErrorKind kind;
  const char* message;
  const char* name;
};

constexpr KindText KIND_TEXTS[] = {
    {ErrorKind::CANNOT_OPEN_INPUT, "Could not open input file.\n", "cannot_open_input"},
    {ErrorKind::READ_ERROR, "Error in reading input data.\n", "read_error"},
    {ErrorKind::NO_MEMORY, "Could not allocate memory.\n", "no_memory"},
    {ErrorKind::EQUATING_ERROR, "Error in calculating equating functions.\n", "equating_error"},
    {ErrorKind::NUMERIC_STOP, "", "numeric_stop"},
};

const KindText& text_of(ErrorKind kind) {
  for (const KindText& text : KIND_TEXTS) {
    if (text.kind == kind) return text;
  }
  return KIND_TEXTS[std::size(KIND_TEXTS) - 1];
}

}  // namespace

const char* error_message(ErrorKind kind) {
  return text_of(kind).message;
}

const char* error_kind_name(ErrorKind kind) {
  return text_of(kind).name;
}

Expected<Results> equate(const Input& input, const Options& options) {
  try {
    InputRecords records;
    if (Failure failed = to_records(input, records)) return explained(*failed, input.name);
    Results results;
    results.input_name = input.name;
    if (Failure failed = compute_equating_functions(records, options, results)) {
      return explained(*failed, input.name);
    }
    // What the input's own table does to the scale scores; the identity that
    // stands in for a missing one clamps and extrapolates nothing of note.
    if (input.conversion) {
      Findings findings;
      warn_about_scale(records.conversion, results.true_score.equated,
                       results.observed_score ? std::span<const double>(results.observed_score->equated)
                                              : std::span<const double>(),
                       options.round_scale_unit.has_value(), findings);
      results.warnings.kept = std::move(findings.warnings);
      results.warnings.not_kept = findings.warnings_not_kept;
    }
    return results;
  } catch (const std::bad_alloc&) {
    return out_of_memory(input.name);
  }
}

Expected<std::string> format_report(const Results& results) {
  return formatted(results, [&](std::string& out) {
    write_banner(out, results.input_name.c_str());
    if (results.scaling_constant) write_scaling_constant(out, *results.scaling_constant);
    if (results.linking) write_linking(out, *results.linking);
    write_true_score_report(out, results.true_score);
    if (results.observed_score) write_observed_score_report(out, *results.observed_score);
  });
}

Expected<std::string> format_csv(const Results& results) {
  return formatted(results, [&](std::string& out) { write_csv(out, results); });
}

Expected<std::string> format_svg(const Results& results) {
  return formatted(results, [&](std::string& out) { write_plot(out, results); });
}

Expected<std::string> format_linked_items(const Results& results) {
  return formatted(results, [&](std::string& out) {
    if (results.linked_new_form) write_linked_items(out, *results.linked_new_form);
  });
}

}  // namespace zol
