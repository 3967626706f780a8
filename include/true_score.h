// IRT true-score equating of the new form's raw scores onto the old form
#pragma once

#include <cstdint>
#include <span>

#include "records.h"

inline constexpr double THETA_TOLERANCE = 0.0001;

// Fills true_equated and theta_equivalent (count entries each, indexed like
// raw_scores from 0) and the new form's chance score. Item and response-score
// arrays are numbered 1..n. Scores at or below the chance score get the line
// through (min, chance) of both forms and theta -THETA_LIMIT; when no score
// below the top exceeds it, all of them do. The last score always gets the old
// form's top score and +THETA_LIMIT. A count below 1 writes only the chance
// score. Returns 0; a score with no bracketed theta ends the process in rtsafe.
[[nodiscard]] Status true_score_equate(OneBasedView a_new, OneBasedView b_new, OneBasedView c_new,
                                       OneBasedView a_old, OneBasedView b_old, OneBasedView c_old,
                                       std::int32_t n_new, std::int32_t n_old, std::int32_t count,
                                       std::span<const double> raw_scores, OneBasedView correct_new,
                                       OneBasedView correct_old, OneBasedView incorrect_new,
                                       OneBasedView incorrect_old, std::span<double> true_equated,
                                       std::span<double> theta_equivalent, double* chance_score);

// Root function of the true-score searches: the target raw score minus the new
// form's expected score at theta, and minus the expected score's slope.
void tcc_residual(double theta, double* f, double* df);
