#include <gtest/gtest.h>
#include "core/memory_manager.h"
TEST(MemoryManager, AllocZero) { EXPECT_EQ(MemoryManager_Alloc(0, __FILE__, __LINE__, true), nullptr); }
