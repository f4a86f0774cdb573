// The allocator's start-up settings: the blocks a driver frees and allocates again each frame stay
// in the heap rather than going back to the system.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "platform/system/allocator.h"

namespace {

// A block of the size the driver churns (a few hundred kilobytes, above the allocator's first
// mmap threshold of 128 KiB) is no longer a mapping of its own, and freeing it leaves the heap's
// top in place.
TEST(AllocatorTest, BlocksOfAFewHundredKilobytesStayInTheHeap) {
  ASSERT_TRUE(Platform_TuneAllocator());
  constexpr size_t kBlock = 294912;
  const size_t mappedBefore = mallinfo2().hblks;
  void* block = std::malloc(kBlock);
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, kBlock);
  EXPECT_EQ(mallinfo2().hblks, mappedBefore) << "not a mapping of its own";
  std::free(block);
  const size_t keptAfterFree = mallinfo2().keepcost;
  // The freed top is kept (a default allocator trims everything above 128 KiB at once).
  EXPECT_GE(keptAfterFree, kBlock);
  // Blocks of 40 MiB still get their own mapping.
  void* huge = std::malloc(40u << 20);
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(mallinfo2().hblks, mappedBefore + 1);
  std::free(huge);
}

}  // namespace
