// The text join that translated code uses for a sum whose left side is a string: a fresh block
// the caller frees, whichever side is missing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/memory_manager.h"
#include "vm/calls.h"

namespace {

TEST(TextJoin, JoinsBothTextsIntoAFreshBlockAndCopiesTheOneThatIsThere) {
  const char* left = "score: ";
  const char* right = "12";
  struct Case {
    const char* first;
    const char* second;
    const char* joined;  // null: no block
  } const cases[] = {
      {left, right, "score: 12"}, {left, "", "score: "}, {"", right, "12"}, {"", "", ""},
      {nullptr, right, "12"},     {left, nullptr, "score: "}, {nullptr, nullptr, nullptr},
  };
  const int64_t before = MemoryManager_BytesInUse();
  for (const Case& c : cases) {
    char* joined = VM_StrConcat(c.first, c.second);
    if (c.joined == nullptr) {
      EXPECT_EQ(joined, nullptr);
      continue;
    }
    ASSERT_NE(joined, nullptr);
    EXPECT_STREQ(joined, c.joined);
    EXPECT_NE(joined, c.first);  // never one of its arguments
    EXPECT_NE(joined, c.second);
    MEM_FREE(joined);
  }
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

}  // namespace
