// How the library's errors read: their explanation in one line
#pragma once

#include <optional>
#include <string>

#include "zol/zol.h"

namespace zol {

// The explanation of an error (zol.h).
std::string explanation_line(const Error& error, const std::string& name,
                             std::optional<LinkMethod> method = std::nullopt);

// The error of a kind at a stage, explained.
Error explained_error(ErrorKind kind, Stage stage, Finding cause, const std::string& name);

}  // namespace zol
