// Writers of the results report
#pragma once

#include <cstdio>

#include "records.h"

namespace zol {

// The writers print to a stream that the caller owns and examine no write's
// result: the caller checks the stream's error state once the report is done.

// Program name, version and the input file name as the user gave it.
void write_banner(std::FILE* report, const char* input_name);

// The method and the constants of the linking, after the banner.
void write_linking(std::FILE* report, const Linking& linking);

// "Sum of c parameters" and one line per raw score of the table; scale holds
// the scale scores of the table's true-score equivalents.
void write_true_score_report(std::FILE* report, const TrueScoreTable& table,
                             const ScaleScores& scale);

// One line per raw score of the new form, then both fitted distributions side
// by side up to the longer form; scale holds the scale scores of the
// observed-score equivalents.
void write_observed_score_report(std::FILE* report, const ObservedScoreTable& table,
                                 const ScaleScores& scale);

}  // namespace zol
