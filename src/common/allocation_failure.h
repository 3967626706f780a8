// Test hook: makes one of the arrays that the stages allocate fail
#pragma once

#include <cstdint>

namespace zol {

// The k-th allocation from now (k >= 1) fails, and every one after it
// succeeds again. k = 0 turns the hook off.
void fail_allocation_after(std::int64_t k) noexcept;

}  // namespace zol
