// Writers of the results report
#pragma once

#include <string>

#include "common/records.h"

namespace zol {

// The writers append the report's text to a string that the caller owns.

// Program name, version and the input file name as the user gave it.
void write_banner(std::string& report, const char* input_name);

// The scaling constant the command line gave, after the banner.
void write_scaling_constant(std::string& report, double d);

// The method and the constants of the linking, after the banner.
void write_linking(std::string& report, const Linking& linking);

// The weights of the two groups in the synthetic population, after the linking.
void write_synthetic_population(std::string& report, double new_weight);

// "Sum of c parameters" and one line per raw score of the table, with the
// scale scores of its true-score equivalents.
void write_true_score_report(std::string& report, const TrueScoreEquating& table);

// One line per raw score of the new form, then both fitted distributions side
// by side up to the longer form, with the scale scores of the observed-score
// equivalents.
void write_observed_score_report(std::string& report, const ObservedScoreEquating& table);

// The standard errors of every raw score's equivalents and their unrounded
// scale scores, after the last table; dashes where one cannot be computed.
void write_standard_errors(std::string& report, const StandardErrors& errors);

}  // namespace zol
