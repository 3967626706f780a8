// printf into a string, for the report, the CSV and the picture
#include "common/text.h"

#include <cstdarg>
#include <cstdio>

namespace zol {

void appendf(std::string& out, const char* format, ...) {
  // Most pieces are a line or less: formatted once into a buffer on the stack.
  char buffer[256];
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length > 0) {
    const auto size = static_cast<std::size_t>(length);
    if (size < sizeof buffer) {
      out.append(buffer, size);
    } else {
      const std::size_t start = out.size();
      out.resize(start + size + 1);
      std::vsnprintf(out.data() + start, size + 1, format, again);
      out.resize(start + size);
    }
  }
  va_end(again);
}

}  // namespace zol
