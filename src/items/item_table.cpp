// The items of a form: model names, the rules of a usable item, parameters by name, the table
#include "items/item_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/allocation.h"
#include "common/describe.h"

namespace zol {

namespace {

struct ModelName {
  ItemModel model;
  const char* name;
};

constexpr ModelName MODEL_NAMES[] = {
    {ItemModel::THREE_PL, "3PL"}, {ItemModel::GPCM, "GPCM"}, {ItemModel::GRM, "GRM"}};

// The stages count raw scores 0..n in 32 bits, and n + 1 must fit.
constexpr std::int64_t MOST_RAW_SCORES = std::numeric_limits<std::int32_t>::max() - 1;

constexpr const char* THREE_PL_PARAMETERS[] = {"a", "b", "c"};

}  // namespace

const char* item_model_name(ItemModel model) {
  for (const ModelName& name : MODEL_NAMES) {
    if (name.model == model) return name.name;
  }
  return "";
}

std::optional<ItemModel> item_model_named(std::string_view word) {
  for (const ModelName& name : MODEL_NAMES) {
    if (word.size() != std::strlen(name.name)) continue;
    bool same = true;
    for (std::size_t i = 0; i < word.size(); ++i) {
      same = same && std::toupper(static_cast<unsigned char>(word[i])) == name.name[i];
    }
    if (same) return name.model;
  }
  return std::nullopt;
}

std::string not_finite(const char* name, double value) {
  return describe("%s %g is not a finite number", name, value);
}

std::string item_problem(const Item& item) {
  const std::size_t k = categories(item);
  if (k < 2 || k > MOST_CATEGORIES) {
    return describe("%zu categories; an item has 2 to %zu", k, MOST_CATEGORIES);
  }
  for (std::size_t p = 0; p < parameter_count(item); ++p) {
    const double value = parameter_value(item, p);
    if (!std::isfinite(value)) return not_finite(parameter_name(item, p).c_str(), value);
  }
  if (item.model == ItemModel::THREE_PL) return "";
  if (!(item.a > 0.0)) {
    return describe("a %g is not above 0: the category probabilities need a slope above 0",
                    item.a);
  }
  for (std::size_t v = 1; item.model == ItemModel::GRM && v < item.steps.size(); ++v) {
    if (!(item.steps[v] > item.steps[v - 1])) {
      return describe("the boundaries must increase, but b%zu %g is not above b%zu %g", v + 1,
                      item.steps[v], v, item.steps[v - 1]);
    }
  }
  return "";
}

std::vector<std::string> item_oddities(const Item& item) {
  std::vector<std::string> oddities;
  if (item.model != ItemModel::THREE_PL) return oddities;
  if (!(item.a > 0.0)) oddities.push_back(describe("a %g is not above 0", item.a));
  if (item.c < 0.0 || item.c >= 1.0) {
    oddities.push_back(describe("c %g is outside 0 to 1", item.c));
  }
  return oddities;
}

std::vector<std::pair<std::size_t, std::size_t>> repeated_labels(std::span<const Item> items) {
  // Sorted by label, then by position: each repetition follows the first item
  // of its label. Sorting rather than hashing keeps large forms quick.
  std::vector<std::size_t> order(items.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto label_less = [&](std::size_t x, std::size_t y) {
    const int compared = items[x].label.compare(items[y].label);
    return compared < 0 || (compared == 0 && x < y);
  };
  std::sort(order.begin(), order.end(), label_less);
  std::vector<std::pair<std::size_t, std::size_t>> repeated;
  for (std::size_t k = 1, first = order.empty() ? 0 : order[0]; k < order.size(); ++k) {
    if (items[order[k]].label != items[first].label) {
      first = order[k];
    } else {
      repeated.emplace_back(order[k], first);
    }
  }
  std::sort(repeated.begin(), repeated.end());
  return repeated;
}

std::size_t parameter_count(const Item& item) {
  return item.model == ItemModel::THREE_PL ? 3 : 1 + item.steps.size();
}

std::string parameter_name(const Item& item, std::size_t k) {
  if (item.model == ItemModel::THREE_PL) return THREE_PL_PARAMETERS[k];
  return k == 0 ? std::string("a") : describe("b%zu", k);
}

double parameter_value(const Item& item, std::size_t k) {
  if (k == 0) return item.a;
  if (item.model == ItemModel::THREE_PL) return k == 1 ? item.b : item.c;
  return item.steps[k - 1];
}

std::vector<std::string> parameter_names(const Item& item) {
  std::vector<std::string> names;
  for (std::size_t k = 0; k < parameter_count(item); ++k) names.push_back(parameter_name(item, k));
  return names;
}

std::span<const double> locations(const Item& item) {
  if (item.model == ItemModel::THREE_PL) return {&item.b, 1};
  return item.steps;
}

const char* form_name(FormRole role) {
  return role == FormRole::NEW ? "new" : "old";
}

std::string form_problem(const Form& form, FormRole role) {
  const char* which = form_name(role);
  if (form.items.empty()) return describe("the %s form has no items", which);
  if (form.items.size() > static_cast<std::size_t>(MOST_RAW_SCORES)) {
    return describe("the %s form has %zu items; at most %lld are allowed", which,
                    form.items.size(), static_cast<long long>(MOST_RAW_SCORES));
  }
  for (std::size_t i = 0; i < form.items.size(); ++i) {
    if (std::string why = item_problem(form.items[i]); !why.empty()) {
      return describe("item %zu of the %s form: %s", i + 1, which, why.c_str());
    }
  }
  if (top_score(form) > MOST_RAW_SCORES) {
    return describe("the %s form's top score is %lld; at most %lld is allowed", which,
                    static_cast<long long>(top_score(form)),
                    static_cast<long long>(MOST_RAW_SCORES));
  }
  return "";
}

ItemTable item_table(const Form& form) {
  ItemTable table;
  table.items = form.items;
  table.first_parameter.reserve(form.items.size() + 1);
  table.first_parameter.push_back(0);
  for (const Item& item : form.items) {
    table.first_parameter.push_back(table.first_parameter.back() + parameter_count(item));
  }
  table.top_score = top_score(form);
  return table;
}

Item carried_item(const Item& item, double A, double B) {
  Item carried = item;
  carried.a = carried_slope(item.a, A);
  if (item.model == ItemModel::THREE_PL) carried.b = carried_location(item.b, A, B);
  for (double& step : carried.steps) step = carried_location(step, A, B);
  return carried;
}

bool kernel_form(const ItemTable& table, double d, KernelForm& form) {
  std::size_t three_pl = 0;
  for (const Item& item : table.items) three_pl += item.model == ItemModel::THREE_PL ? 1 : 0;
  if (!allocate_vector(form.a, three_pl) || !allocate_vector(form.b, three_pl) ||
      !allocate_vector(form.c, three_pl) ||
      !reserve_vector(form.partial_credit, table.size() - three_pl)) {
    return false;
  }
  std::size_t next = 0;
  for (const Item& item : table.items) {
    if (item.model == ItemModel::THREE_PL) {
      form.a[next] = item.a;
      form.b[next] = item.b;
      form.c[next] = item.c;
      ++next;
    } else {
      form.partial_credit.push_back({item.model, item.a, item.steps});
    }
  }
  form.view = FormView{form.a, form.b, form.c, form.partial_credit, d};
  return true;
}

}  // namespace zol
