#include "core/memory_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/run_switches.h"

namespace {

bool AllZero(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) {
    if (b[i] != 0) return false;
  }
  return true;
}

const MemoryBlockHeader& Header(const void* p) { return static_cast<const MemoryBlockHeader*>(p)[-1]; }

// Death tests fork; the thread-safe style re-runs the binary instead, which is sound even when a
// test has started threads.
class MemoryManagerDeathTest : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST(MemoryManager, AllocWritesHeaderCountsAndZeroFillsOnRequest) {
  const int64_t before = MemoryManager_BytesInUse();
  EXPECT_EQ(MemoryManager_Alloc(0, __FILE__, __LINE__, true), nullptr);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);

  void* p = MemoryManager_Alloc(40, __FILE__, __LINE__, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Header(p).size, 40u);
  EXPECT_EQ(Header(p).magic1, 0xDEADC0DEu);
  EXPECT_EQ(Header(p).magic2, 0xBAADB00Bu);
  EXPECT_EQ(Header(p).reserved, 0u);
  EXPECT_TRUE(AllZero(p, 40));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  EXPECT_TRUE(MemoryManager_IsAllocated(p));
  EXPECT_EQ(MemoryManager_BytesInUse(), before + 40);

  MemoryManager_Free(p);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
  MemoryManager_Free(nullptr);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

TEST(MemoryManager, ReallocNeverShrinksAndZeroFillsGrowth) {
  struct Case {
    uint32_t oldSize;  // 0: start from a null pointer
    uint32_t newSize;
    bool sameBlock;  // false: the block may or may not move
    uint32_t recordedSize;
  };
  const Case cases[] = {
      {100, 50, true, 100},  // shrinking keeps the block and its recorded size
      {100, 0, true, 100},   // so does a new size of 0
      {100, 100, true, 100},
      {10, 20, false, 20},   // growth: old contents, zero tail
      {24, 1 << 20, false, 1 << 20},  // growth far past the heap's small-block sizes
      {0, 32, false, 32},    // null: a new zero-filled block
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.oldSize << " -> " << c.newSize);
    void* p = nullptr;
    if (c.oldSize != 0) {
      p = MemoryManager_Alloc(c.oldSize, __FILE__, __LINE__, false);
      std::memset(p, 0xAB, c.oldSize);
    }
    const int64_t before = MemoryManager_BytesInUse();
    void* q = MemoryManager_Realloc(p, c.newSize, __FILE__, __LINE__);
    ASSERT_NE(q, nullptr);
    if (c.sameBlock) {
      EXPECT_EQ(q, p);
    }
    EXPECT_TRUE(MemoryManager_IsAllocated(q));
    EXPECT_EQ(Header(q).size, c.recordedSize);
    EXPECT_EQ(MemoryManager_BytesInUse(), before + (c.recordedSize - c.oldSize));
    const unsigned char* b = static_cast<const unsigned char*>(q);
    const uint32_t kept = c.oldSize < c.recordedSize ? c.oldSize : c.recordedSize;
    for (uint32_t i = 0; i < kept; ++i) ASSERT_EQ(b[i], 0xAB) << i;
    EXPECT_TRUE(AllZero(b + kept, c.recordedSize - kept));
    MemoryManager_Free(q);
  }
  EXPECT_EQ(MemoryManager_Realloc(nullptr, 0, __FILE__, __LINE__), nullptr);
}

TEST(MemoryManager, ResizeStoresTheBlockBack) {
  int* values = nullptr;
  int* got = MemoryManager_Resize(&values, 4 * sizeof(int), __FILE__, __LINE__);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(got, values);
  values[3] = 7;
  MemoryManager_Resize(&values, 64 * sizeof(int), __FILE__, __LINE__);
  EXPECT_EQ(values[3], 7);
  EXPECT_EQ(values[63], 0);
  MemoryManager_Free(values);
}

TEST(MemoryManager, IsAllocatedTellsBlocksFromOtherMemory) {
  static const char kStatic[] = "static text, not a block";
  int onStack[8] = {};
  EXPECT_FALSE(MemoryManager_IsAllocated(nullptr));
  EXPECT_FALSE(MemoryManager_IsAllocated(kStatic + 12));
  EXPECT_FALSE(MemoryManager_IsAllocated(&onStack[4]));
  EXPECT_FALSE(MemoryManager_IsAllocated(kStatic + 13));  // not even word-aligned
}

// A block that some other allocator carved out of a manager block: its pointer is preceded by a
// marker word (bit 31 and the distance back to the manager block).
TEST(MemoryManager, AlignedBlocksAreRecognisedButNeverFreed) {
  struct Case {
    uint32_t marker;
    bool recognised;
  };
  const Case cases[] = {
      {0x80000000u | 32, true},
      {32, false},                    // no flag
      {0x80000000u | 0x2000, false},  // offset too large
      {0x80000000u | 16, false},      // offset leads to no header
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.marker);
    char* base = static_cast<char*>(MemoryManager_Alloc(128, __FILE__, __LINE__, true));
    char* aligned = base + 32;
    std::memcpy(aligned - 4, &c.marker, 4);
    EXPECT_EQ(MemoryManager_IsAllocated(aligned), c.recognised);
    if (c.recognised) {
      const int64_t before = MemoryManager_BytesInUse();
      MemoryManager_Free(aligned);
      EXPECT_EQ(MemoryManager_BytesInUse(), before);
      EXPECT_TRUE(MemoryManager_IsAllocated(base));  // the block it lives in is untouched
      // Growing one moves its contents into an ordinary block and leaves the original alone.
      std::memset(aligned, 0x5A, 96);
      EXPECT_EQ(MemoryManager_Realloc(aligned, 96, __FILE__, __LINE__), aligned);
      char* grown = static_cast<char*>(MemoryManager_Realloc(aligned, 200, __FILE__, __LINE__));
      ASSERT_NE(grown, aligned);
      EXPECT_EQ(Header(grown).size, 200u);
      EXPECT_EQ(grown[95], 0x5A);
      EXPECT_EQ(grown[96], 0);
      MemoryManager_Free(grown);
    }
    MemoryManager_Free(base);
  }
}

TEST(MemoryManager, UsageStaysExactWithManyThreads) {
  const int64_t before = MemoryManager_BytesInUse();
  constexpr int kThreads = 8;
  constexpr int kRounds = 5000;
  // Each thread frees the blocks of its neighbour as well as its own, so counts move between
  // threads, and every thread ends before the total is read.
  std::vector<std::vector<void*>> handed(kThreads);
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t, &handed] {
        for (int i = 0; i < kRounds; ++i) {
          void* p = MemoryManager_Alloc(16 + (i % 7) * 24, __FILE__, __LINE__, (i & 1) != 0);
          if (i % 5 == 0) handed[t].push_back(p); else MemoryManager_Free(p);
        }
      });
    }
    for (std::thread& th : threads) th.join();
  }
  int64_t handedBytes = 0;
  for (const auto& list : handed) {
    for (void* p : list) handedBytes += Header(p).size;
  }
  EXPECT_EQ(MemoryManager_BytesInUse(), before + handedBytes);
  std::vector<std::thread> freers;
  for (int t = 0; t < kThreads; ++t) {
    freers.emplace_back([&list = handed[(t + 1) % kThreads]] {
      for (void* p : list) MemoryManager_Free(p);
    });
  }
  for (std::thread& th : freers) th.join();
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

TEST(MemoryManager, DumpUsageLogsTheBytesInUse) {
  const std::string log = std::string(TOLVARINE_TEST_TMP) + "/dump_usage_debug.log";
  std::remove(log.c_str());
  Console_SetHeadless(true);
  Console_SetDebugOutputFile(log.c_str());
  void* p = MemoryManager_Alloc(1234, __FILE__, __LINE__, false);
  const int64_t used = MemoryManager_BytesInUse();
  MemoryManager_DumpUsage();
  Console_SetDebugOutputFile(nullptr);
  Console_SetHeadless(false);
  MemoryManager_Free(p);

  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  char expected[96];
  std::snprintf(expected, sizeof expected, "Total memory used = %d(0x%08x) bytes\n", static_cast<int>(used),
                static_cast<unsigned>(used));
  EXPECT_EQ(text.str(), expected);
}

TEST_F(MemoryManagerDeathTest, DamagedHeaderStopsReallocAndFree) {
  struct Case {
    const char* what;
    int word;  // header word overwritten, counted back from the block
  };
  const Case cases[] = {{"free", 3}, {"free", 2}, {"reallocation", 3}, {"reallocation", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what << " word " << c.word);
    EXPECT_DEATH(
        {
          uint32_t* p = static_cast<uint32_t*>(MemoryManager_Alloc(64, __FILE__, __LINE__, true));
          p[-c.word] ^= 0x100;
          if (c.what[0] == 'f') {
            MemoryManager_Free(p);
          } else {
            MemoryManager_Realloc(p, 128, __FILE__, __LINE__);
          }
        },
        std::string(c.what) + " of a block with a damaged header");
  }
}

TEST_F(MemoryManagerDeathTest, ForeignPointersAndDoubleFreeStop) {
  // Never handed on to free(): that would corrupt the heap somewhere else, later.
  EXPECT_DEATH(
      {
        static uint32_t foreign[8] = {};
        MemoryManager_Free(&foreign[4]);
      },
      "free of a block with a damaged header");
  EXPECT_DEATH(
      {
        static uint32_t foreign[8] = {};
        MemoryManager_Realloc(&foreign[4], 64, __FILE__, __LINE__);
      },
      "reallocation of a block with a damaged header");
  EXPECT_DEATH(
      {
        void* p = MemoryManager_Alloc(256, __FILE__, __LINE__, false);
        MemoryManager_Free(p);
        MemoryManager_Free(p);
      },
      "free of a block with a damaged header");
}

void* FailingHeap(size_t) { return nullptr; }

// The out-of-memory message goes to standard output; death tests read standard error.
void StdoutToStderr() { dup2(STDERR_FILENO, STDOUT_FILENO); }

TEST_F(MemoryManagerDeathTest, OutOfMemoryTellsTheUserAndExits) {
  using testing::AllOf;
  using testing::HasSubstr;
  using testing::Not;
  const auto message = HasSubstr("Out of Memory allocating 100 bytes\n");
  const auto box = HasSubstr("Fatal Memory Error: Out of Memory!");
  for (bool headless : {false, true}) {
    SCOPED_TRACE(headless ? "headless" : "with box");
    EXPECT_EXIT(
        {
          StdoutToStderr();
          Console_SetHeadless(headless);
          MemoryManager_SetHeapAlloc(&FailingHeap);
          MemoryManager_Alloc(100, __FILE__, __LINE__, false);
        },
        testing::ExitedWithCode(255),
        headless ? testing::Matcher<const std::string&>(AllOf(message, Not(box)))
                 : testing::Matcher<const std::string&>(AllOf(message, box)));
  }
}

TEST_F(MemoryManagerDeathTest, RequestsBeyondThirtyTwoBitsAreRefusedNotTruncated) {
  constexpr size_t kHuge = size_t{1} << 32;
  EXPECT_EXIT(
      {
        StdoutToStderr();
        MemoryManager_Alloc(kHuge + 5, __FILE__, __LINE__, false);
      },
      testing::ExitedWithCode(255), "Out of Memory allocating 4294967301 bytes");
  EXPECT_EXIT(
      {
        StdoutToStderr();
        void* p = MemoryManager_Alloc(8, __FILE__, __LINE__, false);
        MemoryManager_Realloc(p, kHuge, __FILE__, __LINE__);
      },
      testing::ExitedWithCode(255), "Out of Memory allocating 4294967296 bytes");
}

TEST_F(MemoryManagerDeathTest, FailedNewGoesToTheSameHandler) {
  std::new_handler handler = std::get_new_handler();
  ASSERT_NE(handler, nullptr);
  EXPECT_EXIT(
      {
        StdoutToStderr();
        Console_SetHeadless(true);
        handler();
      },
      testing::ExitedWithCode(255), "Out of Memory allocating");
}

}  // namespace
