// How the library's errors and warnings read, the names of their kinds, one cap of warnings
#include "common/errors.h"

namespace zol {

namespace {

// The library's own words for what a caller can change.
const char* hint_text(Hint hint) {
  switch (hint) {
    case Hint::MIXED_FORMAT:
      return "; a record that names its model (3PL, GPCM, GRM) is read with mixed_format";
    case Hint::ROUND_SCALE:
      return "; round_scale rounds on the scale instead";
    case Hint::NONE:
      break;
  }
  return "";
}

}  // namespace

std::string finding_text(const Finding& finding, const std::string& input_name) {
  std::string line;
  if (finding.about_input) {
    line = finding.line == 0 ? input_name + ": "
                             : input_name + ":" + std::to_string(finding.line) + ": ";
  }
  return line + finding.text + hint_text(finding.hint);
}

std::string explanation_line(const Error& error, const std::string& name,
                             std::optional<LinkMethod> method) {
  std::string line;
  if (error.stage == Stage::LINKING && method) {
    line = std::string("linking by ") + link_method_option(*method) + ": ";
  }
  return line + finding_text(error.cause, name);
}

Error explained_error(ErrorKind kind, Stage stage, Finding cause, const std::string& name) {
  Error error;
  error.kind = kind;
  error.stage = stage;
  error.cause = std::move(cause);
  error.explanation = explanation_line(error, name);
  return error;
}

void add_warnings(Warnings& into, const Warnings& from) {
  for (const Finding& warning : from.kept) {
    if (into.kept.size() < Warnings::MOST_WARNINGS) {
      into.kept.push_back(warning);
    } else {
      ++into.not_kept;
    }
  }
  into.not_kept += from.not_kept;
}

std::vector<std::string> warning_lines(const Warnings& warnings, const std::string& input_name) {
  std::vector<std::string> lines;
  for (const Finding& warning : warnings.kept) lines.push_back(finding_text(warning, input_name));
  if (warnings.not_kept > 0) {
    lines.push_back((input_name.empty() ? std::string() : input_name + ": ") + "warning: " +
                    std::to_string(warnings.not_kept) + " more like these");
  }
  return lines;
}

const char* error_kind_name(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::CANNOT_OPEN_INPUT:
      return "cannot_open_input";
    case ErrorKind::INVALID_INPUT:
      return "invalid_input";
    case ErrorKind::NOT_COMPUTABLE:
      return "not_computable";
    case ErrorKind::NO_MEMORY:
      return "no_memory";
    case ErrorKind::ROOT_NOT_BRACKETED:
      return "root_not_bracketed";
    case ErrorKind::ROOT_NOT_CONVERGED:
      return "root_not_converged";
  }
  return "";
}

}  // namespace zol
