// Failure injection for the arrays that the stages allocate, in the library built for its tests
#include "common/allocation.h"

#if ZOL_ALLOCATION_HOOK

#include "common/allocation_failure.h"

namespace zol {

namespace {
// Allocations still to succeed before the one that fails; 0 means none fails.
std::int64_t allocations_before_failure = 0;
}  // namespace

namespace allocation_detail {
bool next_allocation_permitted() noexcept {
  if (allocations_before_failure == 0) return true;
  return --allocations_before_failure != 0;
}
}  // namespace allocation_detail

void fail_allocation_after(std::int64_t k) noexcept {
  allocations_before_failure = k < 0 ? 0 : k;
}

}  // namespace zol

#endif
