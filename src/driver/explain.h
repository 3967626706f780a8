// Causes of the driver's failures in the words of the input format
#pragma once

#include "findings.h"
#include "pipeline.h"
#include "records.h"

namespace zol {

// Why the pipeline failed, from its status and what it had computed.
Finding explain_equating(EquatingStatus status, const InputRecords& input,
                         const RunResults& results);

// Why a root search could not go on: the raw score it sought and the items
// that make it impossible.
Finding explain_stop(const char* message, const InputRecords& input, const RunResults& results);

// Why a scale score is not a finite number: the rows of the conversion
// table whose slope overflows.
Finding explain_scale(const InputRecords& input, std::span<const double> scores,
                      const ScaleScores& scale);

}  // namespace zol
