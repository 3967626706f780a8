// Standard streams that pass line feeds through as they are, on every platform
#pragma once

#include <cstdio>

namespace zol {

// On Windows a text stream turns each line feed into a carriage return and a
// line feed; in binary mode it writes the line feed alone, so that a report
// made there compares equal to one made elsewhere. Elsewhere it does nothing.
void use_binary_mode(std::FILE* stream);

}  // namespace zol
