// Text built the way the C library formats it: printf into a string
#pragma once

#include <string>

namespace zol {

// Appends the formatted text to out, exactly as printf would write it.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& out, const char* format, ...);

}  // namespace zol
