// The new form's items on the old scale, for the next input and the item bank
#include "result_files.h"

#include "common/text.h"

namespace zol {

void write_linked_items(std::string& out, const Form& linked_form) {
  out += "$Item_Parameters\n";
  for (const Item& item : linked_form.items) {
    appendf(out, "%s %.17g %.17g %.17g\n", item.label.c_str(), item.a, item.b, item.c);
  }
}

}  // namespace zol
