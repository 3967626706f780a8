// Standard streams that pass line feeds through as they are: the Windows part
#include "common/binary_mode.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace zol {

void use_binary_mode([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#endif
}

}  // namespace zol
