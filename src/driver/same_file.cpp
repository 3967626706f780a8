// Whether two names reach one file
#include "driver/same_file.h"

#include <filesystem>
#include <system_error>

namespace zol {

bool same_file_on_disk(const char* x, const char* y) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(x, y, error)) return true;
  // A file not made yet has no identity: compare where the names lead
  // ("./r.txt" and "r.txt").
  const fs::path full_x = fs::absolute(x, error).lexically_normal();
  if (error) return false;
  const fs::path full_y = fs::absolute(y, error).lexically_normal();
  return !error && full_x == full_y;
}

}  // namespace zol
