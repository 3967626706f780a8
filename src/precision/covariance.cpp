// A form's covariance checked against the form: its names, its entries, symmetry and definiteness
#include "precision/covariance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/describe.h"
#include "precision/covariance_checks.h"

namespace zol {

namespace {

constexpr std::size_t NOT_NAMED = std::numeric_limits<std::size_t>::max();

std::string text_of(std::string_view view) {
  return std::string(view);
}

// The place of parameter name among the item's parameter_names, if any; the
// steps' numbers are decimal without leading zeros, as parameter_names writes them.
bool parameter_index(const Item& item, std::string_view name, std::size_t& k) {
  if (name == "a") {
    k = 0;
    return true;
  }
  if (item.model == ItemModel::THREE_PL) {
    k = name == "b" ? 1 : 2;
    return name == "b" || name == "c";
  }
  if (name.size() < 2 || name.size() > 4 || name[0] != 'b' || name[1] == '0') return false;
  std::size_t step = 0;
  for (char c : name.substr(1)) {
    if (c < '0' || c > '9') return false;
    step = step * 10 + static_cast<std::size_t>(c - '0');
  }
  k = step;
  return step < parameter_count(item);
}

}  // namespace

FormLabels form_labels(const ItemTable& table, std::string form) {
  FormLabels labels{&table, std::move(form), std::vector<std::size_t>(table.size())};
  for (std::size_t i = 0; i < table.size(); ++i) labels.by_label[i] = i;
  std::sort(labels.by_label.begin(), labels.by_label.end(), [&](std::size_t x, std::size_t y) {
    const int compared = table.items[x].label.compare(table.items[y].label);
    return compared < 0 || (compared == 0 && x < y);
  });
  return labels;
}

std::size_t items_labelled(const FormLabels& labels, std::string_view label,
                           std::size_t (&places)[2]) {
  const auto items = labels.table->items;
  const auto first = std::lower_bound(
      labels.by_label.begin(), labels.by_label.end(), label,
      [&](std::size_t x, std::string_view y) { return std::string_view(items[x].label) < y; });
  std::size_t count = 0;
  for (auto at = first; at != labels.by_label.end() && count < 2 && items[*at].label == label;
       ++at) {
    places[count++] = *at;
  }
  return count;
}

std::string ambiguous_label(const FormLabels& labels, std::string_view label,
                            const std::size_t (&places)[2]) {
  return describe("the label %s stands twice in %s (items %zu and %zu), so it is ambiguous",
                  printable(text_of(label).c_str()).c_str(), labels.form.c_str(), places[0] + 1,
                  places[1] + 1);
}

std::string parameter_place(const FormLabels& labels, std::string_view name, std::size_t& place) {
  const std::string quoted_name = quoted(text_of(name).c_str());
  const std::size_t colon = name.rfind(':');
  if (colon == std::string_view::npos) {
    return describe("%s is no parameter: a name is LABEL:NAME, as N01:a or N01:b2",
                    quoted_name.c_str());
  }
  std::size_t items[2] = {0, 0};
  switch (items_labelled(labels, name.substr(0, colon), items)) {
    case 0:
      return describe("%s is no parameter of %s", quoted_name.c_str(), labels.form.c_str());
    case 1:
      break;
    default:
      return quoted_name + ": " + ambiguous_label(labels, name.substr(0, colon), items);
  }
  const std::size_t item = items[0];
  const Item& found = labels.table->items[item];
  std::size_t k = 0;
  if (!parameter_index(found, name.substr(colon + 1), k)) {
    return describe("%s: item %s has no parameter %s; its parameters are %s", quoted_name.c_str(),
                    printable(found.label.c_str()).c_str(),
                    quoted(text_of(name.substr(colon + 1)).c_str()).c_str(),
                    parameter_list(found).c_str());
  }
  place = labels.table->first_parameter[item] + k;
  return "";
}

std::string named_twice(std::string_view name, std::size_t first, std::size_t again) {
  return describe("%s is named twice, as names %zu and %zu", quoted(text_of(name).c_str()).c_str(),
                  first + 1, again + 1);
}

std::string parameter_list(const Item& item) {
  const std::size_t count = parameter_count(item);
  if (item.model == ItemModel::THREE_PL) return "a, b and c";
  if (count == 2) return "a and b1";
  return describe("a and b1 to b%zu", count - 1);
}

std::string row_name(std::span<const std::string> names, std::size_t i) {
  return describe("row %zu (%s)", i + 1, printable(names[i].c_str()).c_str());
}

std::string entry_problem(std::span<const std::string> names, std::size_t i, std::size_t j,
                          double value) {
  if (!std::isfinite(value)) {
    return describe("%s, column %zu: %g is not a finite number", row_name(names, i).c_str(), j + 1,
                    value);
  }
  if (i == j && value < 0.0) {
    return describe("%s: the variance %g is below 0", row_name(names, i).c_str(), value);
  }
  return "";
}

std::string symmetry_problem(std::span<const std::string> names, std::size_t i, std::size_t j,
                             double s_ij, double s_ji) {
  const double larger = std::max(std::fabs(s_ij), std::fabs(s_ji));
  if (std::fabs(s_ij - s_ji) <= SYMMETRY_TOLERANCE * larger) return "";
  return describe(
      "%s, column %zu holds %.12g, but row %zu, column %zu holds %.12g: the matrix "
      "is not symmetric (they may differ by 1e-9 of the larger)",
      row_name(names, i).c_str(), j + 1, s_ij, j + 1, i + 1, s_ji);
}

std::string covariance_fault(const Covariance& covariance, const ItemTable& form,
                             const std::string& which, FormCovariance& form_covariance) {
  const std::size_t n = covariance.names.size();
  const FormLabels labels = form_labels(form, which);
  std::vector<std::size_t> parameters(n), named(form.parameter_count(), NOT_NAMED);
  for (std::size_t i = 0; i < n; ++i) {
    if (std::string why = parameter_place(labels, covariance.names[i], parameters[i]);
        !why.empty()) {
      return why;
    }
    if (named[parameters[i]] != NOT_NAMED) {
      return named_twice(covariance.names[i], named[parameters[i]], i);
    }
    named[parameters[i]] = i;
  }
  const std::size_t size = covariance.matrix.size();
  if (n == 0 ? size != 0 : size / n != n || size % n != 0) {
    return describe("%zu names need a matrix of %zu x %zu numbers, not %zu", n, n, n, size);
  }
  // Row by row, as the covariance file is read, so that both find the same fault first.
  const std::span<const double> s = covariance.matrix;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      std::string why = entry_problem(covariance.names, i, j, s[i * n + j]);
      if (why.empty() && j < i) {
        why = symmetry_problem(covariance.names, i, j, s[i * n + j], s[j * n + i]);
      }
      if (!why.empty()) return why;
    }
  }
  // A matrix the reader has found definite is not checked again while it is
  // as it was read.
  const bool checked = covariance.definite_fingerprint != 0 &&
                       covariance.definite_fingerprint == covariance_fingerprint(covariance.names, s);
  if (!checked) {
    if (std::string why = definiteness_problem(covariance.names, s); !why.empty()) return why;
  }
  form_covariance = {std::move(parameters), covariance.matrix};
  return "";
}

std::vector<std::size_t> free_places(const ItemTable& form, const FormCovariance* covariance) {
  std::vector<std::size_t> places(form.parameter_count(), NOT_FREE);
  if (covariance == nullptr) return places;
  for (std::size_t k = 0; k < covariance->parameters.size(); ++k) {
    places[covariance->parameters[k]] = k;
  }
  return places;
}

std::string covariance_problem(const Covariance& covariance, const ItemTable& form, FormRole role,
                               FormCovariance& form_covariance) {
  const char* which = form_name(role);
  std::string why =
      covariance_fault(covariance, form, describe("the %s form", which), form_covariance);
  if (why.empty()) return why;
  return describe("the %s form's covariance: %s", which, why.c_str());
}

}  // namespace zol
