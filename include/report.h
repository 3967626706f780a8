// Writers of the results report
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "records.h"

// The writers print to a stream that the caller owns and examine no write's
// result: the caller checks the stream's error state once the report is done.

// Program name, version and the input file name as the user gave it.
void write_banner(std::FILE* report, const char* input_name);

// "Sum of c parameters" and one line per raw score 0..n_new; output holds the
// scale scores of true_equated.
void write_true_score_report(std::FILE* report, std::int32_t n_new,
                             std::span<const double> theta_equivalent,
                             std::span<const double> true_equated, double chance_score,
                             const ScaleConversion& output);

// One line per raw score 0..n_new, then both fitted distributions side by side
// up to the longer form; output holds the scale scores of observed_equated.
void write_observed_score_report(std::FILE* report, std::int32_t n_new, std::int32_t n_old,
                                 std::span<const double> observed_equated,
                                 std::span<const double> new_distribution,
                                 std::span<const double> old_distribution,
                                 const ScaleConversion& output);
