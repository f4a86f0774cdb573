// Id tables, the common checks of the data-structure functions, their registration and the value
// comparison.
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>

#include "functions/ds_test_support.h"

namespace {

using DsTables = DsTest;

TEST_F(DsTables, IdsAreReusedLowestFirstAndTheTableGrowsBySixteen) {
  for (int i = 0; i < 17; ++i) EXPECT_EQ(Real("ds_list_create"), i);
  EXPECT_EQ(g_DsLists.Count(), 17);
  EXPECT_EQ(g_DsLists.Capacity(), 32);
  Call("ds_list_destroy", {3});
  EXPECT_EQ(Real("ds_list_create"), 3);
  EXPECT_EQ(g_DsLists.Count(), 17);
  EXPECT_EQ(g_DsLists.Capacity(), 32);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsTables, KindsHaveTablesOfTheirOwn) {
  EXPECT_EQ(Real("ds_list_create"), 0);
  EXPECT_EQ(Real("ds_map_create"), 0);
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeList}), 1);
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeMap}), 1);
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeStack}), 0);
}

TEST_F(DsTables, LookupFailsOutsideTheTableAndOnEmptiedSlots) {
  Call("ds_list_create");
  Call("ds_list_create");
  Call("ds_list_destroy", {1});
  for (int id : {-1, 1, 2}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(g_DsLists.Get(id), nullptr);
    Arg size = Call("ds_list_size", {id});
    EXPECT_TRUE(size.IsUndefined());  // left as the call layer set it
    EXPECT_EQ(TakeError(), kBadId);
  }
  // A real id is truncated by the getter.
  EXPECT_EQ(Real("ds_list_size", {0.9}), 0);
}

TEST_F(DsTables, ExistsAnswersWithoutReporting) {
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_list_create"), 0);
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeList}), 1);
  EXPECT_EQ(Real("ds_exists", {0, 7}), 0);
  EXPECT_EQ(Real("ds_exists", {-1, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_exists", {1, kDsTypeList}), 0);
  Call("ds_list_destroy", {0});
  EXPECT_EQ(Real("ds_exists", {0, kDsTypeList}), 0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsTables, PrecisionIsTheAbsoluteValue) {
  Call("ds_set_precision", {-0.5});
  EXPECT_EQ(g_DsPrecision, 0.5);
  // Containers compare with it: 1 and 1.4 are now one value.
  const int list = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {list, 5, 1.4});
  EXPECT_EQ(Real("ds_list_find_index", {list, 1}), 1);
}

TEST_F(DsTables, RoundingHandlersRoundHalvesToEvenAndOthersTruncate) {
  Call("ds_list_create");
  Call("ds_list_create");
  Call("ds_list_create");
  Call("ds_list_add", {2, 7});
  // ds_list_set_pre rounds (2.5 -> 2); ds_list_set truncates (2.9 -> 2).
  EXPECT_TRUE(Call("ds_list_set_pre", {2.5, 0, 8}).IsReal(8));
  EXPECT_EQ(Elements(2), "8");
  Call("ds_list_set", {2.9, 0, 9});
  EXPECT_EQ(Elements(2), "9");
  // 1.5 rounds to 2; an int32 id goes through the getter.
  EXPECT_TRUE(Call("ds_list_mark_as_list", {1.5, 0}).IsReal(9));
  EXPECT_TRUE(Call("ds_list_mark_as_list", {Arg::Int32(2), 0}).IsReal(9));
  // A real beyond the int32 range names nothing.
  EXPECT_TRUE(Call("ds_list_set_pre", {1e10, 0, 1}).IsUndefined());
  EXPECT_EQ(TakeError(), kBadId);
}

TEST_F(DsTables, ShortCallsReadNoMissingArgument) {
  Call("ds_list_create");
  Call("ds_list_add", {0, 5});
  EXPECT_TRUE(Call("ds_list_find_value", {0}).IsUndefined());
  EXPECT_TRUE(Call("ds_list_insert", {0, 0}).IsUndefined());
  EXPECT_EQ(Elements(0), "5");
  EXPECT_EQ(TakeError(), "");
}

// No name of the group is a placeholder any more: each answers its own result.
TEST_F(DsTables, NoFunctionIsAPlaceholder) {
  EXPECT_TRUE(Call("ds_stack_create").IsReal(0));
  EXPECT_TRUE(Call("ds_grid_create", {1, 1}).IsReal(0));
  EXPECT_TRUE(Call("ds_grid_get", {0, 0, 0}).IsReal(0));
  EXPECT_TRUE(Call("ds_map_create").IsReal(0));
  EXPECT_TRUE(Call("ds_map_write", {0}).IsString(""));
  EXPECT_TRUE(Call("ds_map_secure_save", {0, "file"}).IsReal(0));
  EXPECT_TRUE(Call("ds_map_secure_load", {"missing file"}).IsReal(-1));
  EXPECT_EQ(m_console.text.find("not implemented"), std::string::npos) << m_console.text;
}

// Every name of the group, in registration order, with its registered argument count.
constexpr const char* kRegistration =
    "ds_set_precision 1 ds_exists 2 "
    "ds_stack_create 0 ds_stack_destroy 1 ds_stack_clear 1 ds_stack_copy 2 ds_stack_size 1 ds_stack_empty 1 "
    "ds_stack_push -1 ds_stack_pop 1 ds_stack_top 1 ds_stack_write 1 ds_stack_read 2 "
    "ds_queue_create 0 ds_queue_destroy 1 ds_queue_clear 1 ds_queue_copy 2 ds_queue_size 1 ds_queue_empty 1 "
    "ds_queue_enqueue -1 ds_queue_dequeue 1 ds_queue_head 1 ds_queue_tail 1 ds_queue_write 1 ds_queue_read 2 "
    "ds_list_create 0 ds_list_destroy 1 ds_list_clear 1 ds_list_copy 2 ds_list_size 1 ds_list_empty 1 "
    "ds_list_add -1 ds_list_insert 3 ds_list_replace 3 ds_list_delete 2 ds_list_find_index 2 "
    "ds_list_find_value 2 ds_list_mark_as_list 2 ds_list_mark_as_map 2 ds_list_sort 2 ds_list_shuffle 1 "
    "ds_list_write 1 ds_list_read 2 ds_list_set 3 ds_list_set_post 3 ds_list_set_pre 3 "
    "ds_map_create 0 ds_map_destroy 1 ds_map_clear 1 ds_map_copy 2 ds_map_size 1 ds_map_empty 1 ds_map_add 3 "
    "ds_map_set 3 ds_map_set_pre 3 ds_map_set_post 3 ds_map_add_list 3 ds_map_add_map 3 ds_map_replace 3 "
    "ds_map_replace_list 3 ds_map_replace_map 3 ds_map_delete 2 ds_map_exists 2 ds_map_find_value 2 "
    "ds_map_find_previous 2 ds_map_find_next 2 ds_map_find_first 1 ds_map_find_last 1 ds_map_write 1 "
    "ds_map_read 2 ds_map_secure_save 2 ds_map_secure_load 1 "
    "ds_priority_create 0 ds_priority_destroy 1 ds_priority_clear 1 ds_priority_copy 2 ds_priority_size 1 "
    "ds_priority_empty 1 ds_priority_add 3 ds_priority_change_priority 3 ds_priority_find_priority 2 "
    "ds_priority_delete_value 2 ds_priority_delete_min 1 ds_priority_find_min 1 ds_priority_delete_max 1 "
    "ds_priority_find_max 1 ds_priority_write 1 ds_priority_read 2 "
    "ds_grid_create 2 ds_grid_destroy 1 ds_grid_copy 2 ds_grid_resize 3 ds_grid_width 1 ds_grid_height 1 "
    "ds_grid_clear 2 ds_grid_set 4 ds_grid_set_pre 4 ds_grid_set_post 4 ds_grid_add 4 ds_grid_multiply 4 "
    "ds_grid_set_region 6 ds_grid_add_region 6 ds_grid_multiply_region 6 ds_grid_set_disk 5 ds_grid_add_disk 5 "
    "ds_grid_multiply_disk 5 ds_grid_set_grid_region 8 ds_grid_add_grid_region 8 ds_grid_multiply_grid_region 8 "
    "ds_grid_get 3 ds_grid_get_sum 5 ds_grid_get_max 5 ds_grid_get_min 5 ds_grid_get_mean 5 "
    "ds_grid_get_disk_sum 4 ds_grid_get_disk_max 4 ds_grid_get_disk_min 4 ds_grid_get_disk_mean 4 "
    "ds_grid_value_exists 6 ds_grid_value_x 6 ds_grid_value_y 6 ds_grid_value_disk_exists 5 "
    "ds_grid_value_disk_x 5 ds_grid_value_disk_y 5 ds_grid_shuffle 1 ds_grid_write 1 ds_grid_read 2 ds_grid_sort 3";

TEST_F(DsTables, RegistersTheGroupInOrder) {
  std::istringstream expected(kRegistration);
  std::string name;
  int32_t count = 0;
  int32_t index = 0;
  int32_t anyCount = 0;
  while (expected >> name >> count) {
    ASSERT_LT(index, g_BuiltinCount);
    const BuiltinFunction& f = g_BuiltinFunctions[index++];
    EXPECT_EQ(f.name, name);
    EXPECT_EQ(f.argumentCount, count) << name;
    EXPECT_NE(f.handler, nullptr);
    anyCount += count == kBuiltinAnyArgs;
  }
  EXPECT_EQ(index, 128);
  EXPECT_EQ(g_BuiltinCount, 128);
  EXPECT_EQ(anyCount, 3);
}

// --- RValue_Compare ----------------------------------------------------------------------------

TEST(DsCompare, TableOfCases) {
  int marker[2];
  const double kInitial = 0.00000001;
  const struct {
    const char* what;
    Arg a, b;
    double epsilon;
    int32_t expected;
  } cases[] = {
      {"0.1 with 0.1", 0.1, 0.1, kInitial, 0},
      {"1 with 1.000000001", 1, 1.000000001, kInitial, 0},
      {"2^24 with 2^24 + 1 (one float)", 16777216.0, 16777217.0, kInitial, 0},
      {"5 with 5 at precision 0", 5, 5, 0.0, 0},
      {"5 with 5.5 at precision 0", 5, 5.5, 0.0, -1},
      {"difference within the precision", 1, 1.4, 0.5, 0},
      {"difference just at the precision", 1, 1.5, 0.5, -1},
      {"1e39 with 1e39 (both infinite)", 1e39, 1e39, kInitial, 1},
      {"NaN with 1", std::nan(""), 1, kInitial, 1},
      {"1 with NaN", 1, std::nan(""), kInitial, 1},
      {"2 with 1", 2, 1, kInitial, 1},
      {"bool 1 with real 1", Arg::Bool(1), 1, kInitial, 0},
      {"real 3 with string '3'", 3, "3", kInitial, -1},
      {"string '3' with real 3", "3", 3, kInitial, 1},
      {"bool with string", Arg::Bool(1), "3", kInitial, 1},
      {"'abc' with 'abd'", "abc", "abd", kInitial, -1},
      {"'abc' with 'ab'", "abc", "ab", kInitial, 1},
      {"two empty strings", "", "", kInitial, 0},
      {"bytes compare unsigned", "\xc3\xa9", "z", kInitial, 1},
      {"int32 7 with 7.000000001", Arg::Int32(7), 7.000000001, kInitial, 0},
      {"int32 7 with 7.0000001 (the real is not rounded)", Arg::Int32(7), 7.0000001, kInitial, -1},
      {"7.0000001 with int32 7", 7.0000001, Arg::Int32(7), kInitial, 1},
      {"int64 7 with 7.9 (truncated)", Arg::Int64(7), 7.9, kInitial, 0},
      {"-7.9 with int64 -7", -7.9, Arg::Int64(-7), kInitial, 0},
      {"int64 8 with 7.9", Arg::Int64(8), 7.9, kInitial, 1},
      {"1e30 with the largest int64", 1e30, Arg::Int64(INT64_MAX), kInitial, 1},
      {"the largest int64 with 1e30", Arg::Int64(INT64_MAX), 1e30, kInitial, -1},
      {"-1e30 with the smallest int64", -1e30, Arg::Int64(INT64_MIN), kInitial, -1},
      {"2^63 with the largest int64", 9223372036854775808.0, Arg::Int64(INT64_MAX), kInitial, 1},
      {"NaN with int64", std::nan(""), Arg::Int64(0), kInitial, 1},
      {"int64 with NaN", Arg::Int64(0), std::nan(""), kInitial, 1},
      {"bool 3e9 with int32 max", Arg::Bool(3e9), Arg::Int32(INT32_MAX), kInitial, 1},
      {"int32 min with bool -3e9", Arg::Int32(INT32_MIN), Arg::Bool(-3e9), kInitial, 1},
      {"int32 2 with bool 2.7", Arg::Int32(2), Arg::Bool(2.7), kInitial, 0},
      {"int32 with int64, exactly", Arg::Int32(-1), Arg::Int64(0), 100.0, -1},
      {"int64 with int64", Arg::Int64(INT64_MAX), Arg::Int64(INT64_MAX - 1), kInitial, 1},
      {"same pointer", Arg::Ptr(&marker[0]), Arg::Ptr(&marker[0]), kInitial, 0},
      {"lower pointer first", Arg::Ptr(&marker[0]), Arg::Ptr(&marker[1]), kInitial, 1},
      {"higher pointer first", Arg::Ptr(&marker[1]), Arg::Ptr(&marker[0]), kInitial, -1},
      {"undefined with undefined", Arg(), Arg(), kInitial, 0},
      {"string with undefined", "a", Arg(), kInitial, 1},
      {"undefined with string", Arg(), "a", kInitial, 1},
      {"real with undefined", 1, Arg(), kInitial, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RValue_Compare(&c.a.v, &c.b.v, c.epsilon), c.expected) << c.what;
  }
}

TEST(DsCompare, MarksAreIgnoredAndUnorderedPairsNeverEqual) {
  Arg marked(4);
  marked.v.kind |= KIND_FLAG_DSMAP | KIND_FLAG_DSLIST;
  Arg four(4);
  EXPECT_EQ(RValue_Compare(&marked.v, &four.v, 0.0), 0);

  Arg array;
  FillRow(&array.v, {1, 2});
  EXPECT_EQ(RValue_Compare(&array.v, &array.v, 1.0), 1);
  Arg text("a");
  text.v.pString = SharedString_Unref(text.v.pString);  // a string without a record
  EXPECT_EQ(RValue_Compare(&text.v, &text.v, 1.0), 1);
}

}  // namespace
