// A covariance of a form's estimates checked against the form
#include "precision/covariance.h"

#include <cmath>
#include <map>

#include "common/describe.h"

namespace zol {

std::string covariance_problem(const Covariance& covariance, const ItemTable& form,
                               FormRole role, FormCovariance& form_covariance) {
  const char* which = form_name(role);
  std::map<std::string, std::size_t> places;
  for (std::size_t i = 0; i < form.size(); ++i) {
    const Item& item = form.items[i];
    for (std::size_t j = 0; j < parameter_count(item); ++j) {
      places[item.label + ":" + parameter_name(item, j)] = form.first_parameter[i] + j;
    }
  }
  const std::size_t m = covariance.names.size();
  form_covariance.parameters.clear();
  for (const std::string& name : covariance.names) {
    const auto place = places.find(name);
    if (place == places.end()) {
      return describe("the %s form's covariance: %s is no parameter of the %s form", which,
                      quoted(name.c_str()).c_str(), which);
    }
    form_covariance.parameters.push_back(place->second);
  }
  if (covariance.matrix.size() != m * m) {
    return describe("the %s form's covariance: %zu names but %zu entries; it needs %zu", which,
                    m, covariance.matrix.size(), m * m);
  }
  form_covariance.matrix = covariance.matrix;
  return "";
}

}  // namespace zol
