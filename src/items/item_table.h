// The items of a form as every stage takes them: models, rules, parameters by name, carrying
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/records.h"
#include "irt/category_model.h"
#include "zol/zol.h"

namespace zol {

// ---------------------------------------------------------------- rules

// The rules of a usable item, the same for a record of an input file and an
// item made in memory: 2 to MOST_CATEGORIES (category_model.h) categories, every parameter a
// finite number, and for an item of K categories a slope above 0 and, for a
// GRM item, boundaries that increase. The cause in the item's own terms
// ("b2 inf is not a finite number"); empty when the item is usable.
std::string item_problem(const Item& item);

// The cause for a parameter that is not a finite number, as item_problem
// gives it; for a reader that checks each number as it scans it.
std::string not_finite(const char* name, double value);

// Values the model takes that are almost always mistakes: a 3PL item's a of
// 0 or below and c outside 0 to 1. Each in the item's own terms ("a -1 is
// not above 0").
std::vector<std::string> item_oddities(const Item& item);

// Items whose label stands earlier in the form too: pairs of the item and
// the first item of its label, in the order of the items.
std::vector<std::pair<std::size_t, std::size_t>> repeated_labels(std::span<const Item> items);

// ---------------------------------------------------------------- parameters

// The number of the item's parameters, and the name and value of its k-th
// in the order of parameter_names.
std::size_t parameter_count(const Item& item);
std::string parameter_name(const Item& item, std::size_t k);
double parameter_value(const Item& item, std::size_t k);

// Where the item's locations are: its b, or its steps or boundaries. The
// moment methods of linking pool them.
std::span<const double> locations(const Item& item);

// ---------------------------------------------------------------- the table

// A checked form's items as the stages take them, in the form's order: the
// parameters of item i are entries first_parameter[i] ..
// first_parameter[i + 1] - 1 of the form's list of parameters. A view: the
// items belong to the form.
struct ItemTable {
  std::span<const Item> items;
  std::vector<std::size_t> first_parameter;
  std::int64_t top_score = 0;

  std::size_t size() const { return items.size(); }
  std::size_t parameter_count() const { return first_parameter.back(); }
};

// Which form a table holds, for causes and warnings.
enum class FormRole { NEW, OLD };
const char* form_name(FormRole role);  // "new" or "old"

// Why the form cannot be equated, naming the form, the item and the field;
// empty when it can. The form's top score must fit the 32-bit raw scores.
std::string form_problem(const Form& form, FormRole role);

// The table of a form that form_problem has accepted.
ItemTable item_table(const Form& form);

// ---------------------------------------------------------------- carrying

// An item's slope, and a location (b, step or boundary), carried to the old
// form's scale, theta_old = A theta_new + B.
inline double carried_slope(double a, double A) {
  return a / A;
}
inline double carried_location(double b, double A, double B) {
  return A * b + B;
}

// The item on the old form's scale: a / A, every location A b + B, c as it is.
Item carried_item(const Item& item, double A, double B);

// ---------------------------------------------------------------- curves

// The curves that an item adds to the characteristic-curve criteria: a 3PL
// item's probability of a right response (score 1), every category of an
// item of K categories (scores 0..K-1).
std::size_t curve_count(const Item& item);
inline double curve_score(const Item& item, std::size_t k) {
  return item.model == ItemModel::THREE_PL ? 1.0 : static_cast<double>(k);
}

// The item's curves at theta with scaling constant d, into p (curve_count entries).
void item_curves(double theta, const Item& item, double d, std::span<double> p);

// A curve of an item on the new scale carried to the old one, at theta, with
// its first and second derivatives in A and B.
struct CarriedCurve {
  double p = 0.0;
  double pa = 0.0, pb = 0.0;
  double paa = 0.0, pab = 0.0, pbb = 0.0;
};

// The curves of the carried item (a / A, A b + B) at theta, into curves
// (curve_count entries). An item of K categories is the item itself at u =
// (theta - B) / A.
void carried_curves(double theta, const Item& item, double d, double A, double B,
                    std::span<CarriedCurve> curves);

// The curves of an item of the old scale carried to the new one (a A, (b -
// B) / A), at theta of the new scale, into curves (curve_count entries): the
// item itself at v = A theta + B, its derivatives in A and B through v.
void reversed_curves(double theta, const Item& item, double d, double A, double B,
                     std::span<CarriedCurve> curves);

// ---------------------------------------------------------------- the kernels' view

// A form as the numerical kernels take it: its 3PL items' a, b and c as
// arrays of one length, then its items of K categories, each in the form's
// order, and the view of both (FormView). Owns the arrays the view sees.
struct KernelForm {
  std::vector<double> a, b, c;
  std::vector<CategoryItem> partial_credit;
  FormView view;
};

// The kernels' form of a table's items with scaling constant d. False when
// memory runs out.
[[nodiscard]] bool kernel_form(const ItemTable& table, double d, KernelForm& form);

}  // namespace zol
