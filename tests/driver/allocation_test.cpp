// Tests of the allocation failure hook
#include "allocation.h"

#include <gtest/gtest.h>

TEST(AllocationTest, FailsExactlyTheKthAllocation) {
  for (std::int64_t k = 1; k <= 3; ++k) {
    fail_allocation_after(k);
    for (std::int64_t i = 1; i <= 4; ++i) {
      auto block = allocate_array<double>(4);
      EXPECT_EQ(block == nullptr, i == k) << "k " << k << ", allocation " << i;
    }
  }
  fail_allocation_after(0);
}

TEST(AllocationTest, RefusesASizeThatOverflows) {
  EXPECT_EQ(allocate_array<double>(SIZE_MAX / 4), nullptr);
}

TEST(AllocationTest, ClearsTheBlock) {
  auto block = allocate_array<double>(3);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0] + block[1] + block[2], 0.0);
}
