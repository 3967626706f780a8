// The results as data (CSV) and as a picture (SVG), beside the report
#pragma once

#include <string>

#include "common/records.h"

namespace zol {

// One row per raw score from 0 to the longer form's top score, under the
// header row
//   raw,theta,true_equated,true_scale,true_scale_rounded,new_fitted,
//   old_fitted,observed_equated,observed_scale,observed_scale_rounded
// Every number is the shortest decimal that reads back to the double behind
// the report; a cell without a value is empty (a theta at or below the chance
// score or at the top, the observed-score cells without an ability
// distribution, new-form cells past the new form's top score, the old form's
// past its own). Line feeds end the lines. After linking, three columns
// link_method, link_A and link_B lead, filled on the first row only.
void write_csv(std::string& out, const Results& results);

// A self-contained SVG picture of two panels: the equated score minus the raw
// score against the raw score, for true-score and observed-score equating;
// and both forms' fitted score distributions, a panel that a run without an
// ability distribution leaves out (the picture is then shorter). Its title
// names the input and the linking, if any.
void write_plot(std::string& out, const Results& results);

// The new form's items on the old scale after linking (a / A, A b + B, c), as
// an $Item_Parameters section in the input's record format: label, a, b and
// c, or for an item of K categories label, model, K, a and its steps, each
// number with the 17 significant digits that read back to the same double.
void write_linked_items(std::string& out, const Form& linked_form);

}  // namespace zol
