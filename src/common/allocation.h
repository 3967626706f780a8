// Owned arrays whose failed allocation becomes a status instead of an exception
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace zol {

namespace allocation_detail {
bool next_allocation_permitted() noexcept;
}

// Allocates count value-initialised elements, or returns null when memory is
// short, when count * sizeof(T) would overflow, or when a test has arranged
// for this allocation to fail.
template <typename T>
std::unique_ptr<T[]> allocate_array(std::size_t count) noexcept {
  if (!allocation_detail::next_allocation_permitted()) return nullptr;
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

}  // namespace zol
