// The new form's items on the old scale, for the next input and the item bank
#include "report/result_files.h"

#include "common/text.h"

namespace zol {

void write_linked_items(std::string& out, const Form& linked_form) {
  out += "$Item_Parameters\n";
  for (const Item& item : linked_form.items) {
    if (item.model == ItemModel::THREE_PL) {
      appendf(out, "%s %.17g %.17g %.17g\n", item.label.c_str(), item.a, item.b, item.c);
      continue;
    }
    // An item of K categories in the record that names its model.
    appendf(out, "%s %s %zu %.17g", item.label.c_str(),
            item_model_name(item.model), categories(item), item.a);
    for (double step : item.steps) appendf(out, " %.17g", step);
    out += "\n";
  }
}

}  // namespace zol
