// Writers of the results report
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "records.h"

void write_banner(std::FILE* report, const char* input_name);

void write_true_score_report(std::FILE* report, std::int32_t n_new,
                             std::span<const double> theta_equivalent,
                             std::span<const double> true_equated, double chance_score,
                             const ScaleConversion& output);

void write_observed_score_report(std::FILE* report, std::int32_t n_new, std::int32_t n_old,
                                 std::span<const double> observed_equated,
                                 std::span<const double> new_distribution,
                                 std::span<const double> old_distribution,
                                 const ScaleConversion& output);
