// How the library's errors read: their explanation, the names of their kinds
#include "common/errors.h"

namespace zol {

namespace {

// The library's own words for what a caller can change.
const char* hint_text(Hint hint) {
  switch (hint) {
    case Hint::MIXED_FORMAT:
      return "; a record that names its model (3PL, GPCM, GRM) is read with the mixed format "
             "(ReadOptions::mixed_format)";
    case Hint::ROUND_SCALE:
      return "; rounding on the reporting scale (Options::round_scale_unit) rounds on the "
             "scale instead";
    case Hint::NONE:
      break;
  }
  return "";
}

}  // namespace

std::string explanation_line(const Error& error, const std::string& name,
                             std::optional<LinkMethod> method) {
  const Finding& cause = error.cause;
  std::string line;
  if (error.stage == Stage::LINKING && method) {
    line = std::string("linking by ") + link_method_option(*method) + ": ";
  }
  if (cause.about_input) {
    line += cause.line == 0 ? name + ": " : name + ":" + std::to_string(cause.line) + ": ";
  }
  return line + cause.text + hint_text(cause.hint);
}

Error explained_error(ErrorKind kind, Stage stage, Finding cause, const std::string& name) {
  Error error;
  error.kind = kind;
  error.stage = stage;
  error.cause = std::move(cause);
  error.explanation = explanation_line(error, name);
  return error;
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
