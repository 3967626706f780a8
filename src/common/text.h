// Text built the way the C library formats it: printf into a string
#pragma once

#include <string>

namespace zol {

// Appends the formatted text to out, exactly as printf would write it. MinGW
// builds format with MinGW's own functions, which take the C standard's
// conversions (%zu among them) that Microsoft's printf lacks.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& out, const char* format, ...);

}  // namespace zol
