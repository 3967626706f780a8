// The new form's items on the old scale, for the next input and the item bank
#include "result_files.h"

namespace zol {

void write_linked_items(std::FILE* out, const ItemSet& new_form, const Linking& linking) {
  std::fputs("$Item_Parameters\n", out);
  for (std::size_t i = 0; i < static_cast<std::size_t>(new_form.count); ++i) {
    // Computed as the linked run computes them, so the file holds the very
    // parameters that were equated.
    const double a = new_form.a()[i] / linking.A;
    const double b = linking.A * new_form.b()[i] + linking.B;
    std::fprintf(out, "%s %.17g %.17g %.17g\n", new_form.label(i), a, b, new_form.c()[i]);
  }
}

}  // namespace zol
