// Owned arrays whose failed allocation becomes a status instead of an exception
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <vector>

// The library built for the allocation tests (ZOL_ALLOCATION_HOOK=1) lets a
// test make one allocation fail; the library users link has no such switch.
#ifndef ZOL_ALLOCATION_HOOK
#define ZOL_ALLOCATION_HOOK 0
#endif

namespace zol {

namespace allocation_detail {
#if ZOL_ALLOCATION_HOOK
bool next_allocation_permitted() noexcept;
#else
inline bool next_allocation_permitted() noexcept {
  return true;
}
#endif
}  // namespace allocation_detail

// Allocates count value-initialised elements, or returns null when memory is
// short, when count * sizeof(T) would overflow, or when a test has arranged
// for this allocation to fail.
template <typename T>
std::unique_ptr<T[]> allocate_array(std::size_t count) noexcept {
  if (!allocation_detail::next_allocation_permitted()) return nullptr;
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

// Makes values count zeros; false, with values empty, when memory is short or
// a test has arranged for this allocation to fail.
template <typename T>
[[nodiscard]] bool allocate_vector(std::vector<T>& values, std::size_t count) noexcept {
  values.clear();
  if (!allocation_detail::next_allocation_permitted()) return false;
  try {
    values.assign(count, T());
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

// Makes room for count elements in values, which it leaves as they are;
// false when memory is short or a test has arranged for this allocation to
// fail.
template <typename T>
[[nodiscard]] bool reserve_vector(std::vector<T>& values, std::size_t count) noexcept {
  if (!allocation_detail::next_allocation_permitted()) return false;
  try {
    values.reserve(count);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace zol
