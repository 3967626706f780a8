// How the library's errors read: their explanation in one line
#pragma once

#include <optional>
#include <string>

#include "zol/zol.h"

namespace zol {

// The cause as the library explains it: "NAME:LINE: text", "NAME: text" or
// "text", the linking method named before a cause of the linking
// ("linking by haebara: ...") and the hint said after it.
std::string explanation_line(const Error& error, const std::string& name,
                             std::optional<LinkMethod> method = std::nullopt);

// The error of a kind at a stage, explained.
Error explained_error(ErrorKind kind, Stage stage, Finding cause, const std::string& name);

}  // namespace zol
