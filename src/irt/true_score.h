// IRT true-score equating of the new form's raw scores onto the old form
#pragma once

#include <span>

#include "common/records.h"
#include "irt/root_finder.h"

namespace zol {

inline constexpr double THETA_TOLERANCE = 0.0001;

// An item of K categories whose steps or boundaries lie within a few units
// of 0 keeps at theta -THETA_LIMIT a share of about e^-(150 d a) above its
// lowest category: under 5e-7 at d a = 0.1 with steps above -4, the flattest
// of ordinary items, and e^-15 times less with each further 0.1 of d a. A
// total share below NEGLIGIBLE_SHARE, about a hundredth of the report's last
// decimal, is such a tail and is left out, so that forms of ordinary items
// keep the line they have always had (a form without c's its anchor 0); a
// larger one comes from items that the bracket holds above their lowest
// category.
inline constexpr double NEGLIGIBLE_SHARE = 0x1.0p-20;

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
