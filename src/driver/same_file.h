// Whether two names reach one file, so that no output overwrites what the run reads
#pragma once

namespace zol {

// True when both names are one file: the same device and inode where the
// platform has them (through hard or symbolic links too), the same file
// identity elsewhere; or, for a file that does not exist yet, the same full
// path.
bool same_file_on_disk(const char* x, const char* y);

}  // namespace zol
