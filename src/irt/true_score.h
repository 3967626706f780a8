// IRT true-score equating of the new form's raw scores onto the old form
#pragma once

#include <span>

#include "common/records.h"
#include "irt/root_finder.h"

namespace zol {

inline constexpr double THETA_TOLERANCE = 0.0001;

// Fills the table for raw_scores (indexed from 0, like the table's vectors,
// which hold at least as many entries): the new form's chance score (the sum
// of its c's), and for each raw score its theta and its old-form true-score
// equivalent. Scores at or below the new form's lowest expected score within
// the bracket (its c's, and its category items' expected scores at
// -THETA_LIMIT unless they add up to a negligible tail) get the line through
// (min, lowest) of both forms and theta -THETA_LIMIT, and so does the first
// score above it when it still lies below the expected score at
// -THETA_LIMIT; when no score below the top exceeds it, all of them do. The
// last score always gets the old form's top score and +THETA_LIMIT. A search
// that cannot go on ends the equating there: its stop comes back, and
// table.searched is the index of its raw score.
[[nodiscard]] RootStop true_score_equate(const FormView& new_form, const FormView& old_form,
                                         std::span<const double> raw_scores,
                                         TrueScoreTable& table);

}  // namespace zol
