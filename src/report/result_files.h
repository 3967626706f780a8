// The results as data (CSV) and as a picture (SVG), beside the report
#pragma once

#include <string>

#include "zol/zol.h"

namespace zol {

// The results by raw score, the score table of zol.h (which says its columns
// and its empty cells). Throws std::bad_alloc when memory runs out.
ScoreTable table_of_scores(const Results& results);

// The table as CSV: the header row of the column names, then one row per raw
// score; every number the shortest decimal that reads back to the double
// behind the report, whole numbers as such, an empty cell empty. Line feeds
// end the lines.
void write_csv(std::string& out, const ScoreTable& table);

// A self-contained SVG picture of two panels: the equated score minus the raw
// score against the raw score, for true-score and observed-score equating;
// and both forms' fitted score distributions, a panel that a run without an
// ability distribution leaves out (the picture is then shorter). Its title
// names the input and the linking, if any.
void write_plot(std::string& out, const Results& results);

// The common items of a linking and their drift, one row each (the columns
// of format_common_items in zol.h), every number the shortest decimal that
// reads back to the same double.
void write_common_items(std::string& out, const Results& results);

// The new form's items on the old scale after linking (a / A, A b + B, c), as
// an $Item_Parameters section in the input's record format: label, a, b and
// c, or for an item of K categories label, model, K, a and its steps, each
// number with the 17 significant digits that read back to the same double.
void write_linked_items(std::string& out, const Form& linked_form);

}  // namespace zol
