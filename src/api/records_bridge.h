// Between the library's input records and the records the stages work on
#pragma once

#include <string>

#include "common/findings.h"
#include "equating/pipeline.h"
#include "common/records.h"

namespace zol {

// A cause as --explain shows it, after "zol: ": "NAME:LINE: text",
// "NAME: text" or "text".
std::string explanation_line(const Finding& cause, const std::string& name);

// Checks the input's records as the reader checks a file's, installs the
// identity conversion when the input has none, and copies them into records.
[[nodiscard]] Failure to_records(const Input& input, InputRecords& records);

}  // namespace zol
