// The registration of the Math group, the type tests and the array functions.
#include "functions/math_functions.h"

#include <cstring>
#include <string>
#include <vector>

#include "functions/math_call.h"

namespace {

using namespace math_test;

using MathFunctionsTest = MathTest;

TEST_F(MathFunctionsTest, RegistersTheGroupInOrderWithCountsAndFlags) {
  struct Expected {
    const char* name;
    int32_t count;
    uint8_t flag;
  };
  const Expected expected[] = {
      {"is_bool", 1, 0}, {"is_real", 1, 0}, {"is_string", 1, 0}, {"is_array", 1, 0}, {"is_undefined", 1, 0},
      {"is_int32", 1, 0}, {"is_int64", 1, 0}, {"is_ptr", 1, 0}, {"is_vec3", 1, 0}, {"is_vec4", 1, 0},
      {"is_matrix", 1, 0}, {"array_length_1d", 1, 0}, {"array_length_2d", 2, 0}, {"array_height_2d", 1, 0},
      {"array_get", 2, 0}, {"array_set", 3, 0}, {"array_set_pre", 3, 0}, {"array_set_post", 3, 0},
      {"array_get_2D", 3, 0}, {"array_set_2D", 4, 0}, {"array_set_2D_pre", 4, 0}, {"array_set_2D_post", 4, 0},
      {"random", 1, 0}, {"random_range", 2, 0}, {"irandom", 1, 0}, {"irandom_range", 2, 0},
      {"random_use_old_version", 1, 0}, {"random_set_seed", 1, 0}, {"random_get_seed", 0, 0},
      {"randomize", 0, 0}, {"abs", 1, 0}, {"round", 1, 0}, {"floor", 1, 0}, {"ceil", 1, 0}, {"sign", 1, 0},
      {"frac", 1, 0}, {"sqrt", 1, 0}, {"sqr", 1, 0}, {"exp", 1, 0}, {"ln", 1, 0}, {"log2", 1, 0},
      {"log10", 1, 0}, {"sin", 1, 0}, {"cos", 1, 0}, {"tan", 1, 0}, {"arcsin", 1, 0}, {"arccos", 1, 0},
      {"arctan", 1, 0}, {"arctan2", 2, 0}, {"dsin", 1, 0}, {"dcos", 1, 0}, {"dtan", 1, 0}, {"darcsin", 1, 0},
      {"darccos", 1, 0}, {"darctan", 1, 0}, {"darctan2", 2, 0}, {"degtorad", 1, 0}, {"radtodeg", 1, 0},
      {"power", 2, 0}, {"logn", 2, 0}, {"min", -1, 0}, {"max", -1, 0}, {"min3", 3, 0}, {"max3", 3, 0},
      {"mean", -1, 0}, {"median", -1, 0}, {"choose", -1, 0}, {"clamp", 3, 1}, {"lerp", 3, 1}, {"real", 1, 0},
      {"string", 1, 0}, {"int64", 1, 0}, {"ptr", 1, 0}, {"string_format", 3, 0}, {"chr", 1, 0},
      {"ansi_char", 1, 0}, {"ord", 1, 0}, {"string_length", 1, 0}, {"string_pos", 2, 0},
      {"string_copy", 3, 0}, {"string_char_at", 2, 0}, {"string_ord_at", 2, 0}, {"string_byte_length", 1, 0},
      {"string_byte_at", 2, 0}, {"string_set_byte_at", 3, 0}, {"string_delete", 3, 0},
      {"string_insert", 3, 0}, {"string_lower", 1, 0}, {"string_upper", 1, 0}, {"string_repeat", 2, 0},
      {"string_letters", 1, 0}, {"string_digits", 1, 0}, {"string_lettersdigits", 1, 0},
      {"string_replace", 3, 0}, {"string_replace_all", 3, 0}, {"string_count", 2, 0},
      {"point_distance", 4, 0}, {"point_direction", 4, 0}, {"lengthdir_x", 2, 0}, {"lengthdir_y", 2, 0},
      {"point_distance_3d", 6, 0}, {"dot_product", 4, 0}, {"dot_product_normalised", 4, 0},
      {"dot_product_3d", 6, 0}, {"dot_product_3d_normalised", 6, 0}, {"math_set_epsilon", 1, 0},
      {"math_get_epsilon", 0, 0}, {"angle_difference", 2, 0},
  };
  ASSERT_EQ(g_BuiltinCount, 108);
  for (int32_t i = 0; i < 108; ++i) {
    const BuiltinFunction* entry = nullptr;
    ASSERT_TRUE(Builtin_GetEntry(i, &entry, nullptr, nullptr, nullptr));
    EXPECT_STREQ(entry->name, expected[i].name) << i;
    EXPECT_EQ(entry->argumentCount, expected[i].count) << entry->name;
    EXPECT_EQ(entry->flag, expected[i].flag) << entry->name;
    EXPECT_NE(entry->handler, nullptr) << entry->name;
  }
}

TEST_F(MathFunctionsTest, TypeTestsCompareTheWholeKindWord) {
  RValue marked = Real(3);
  marked.kind |= KIND_FLAG_DSLIST;
  RValue boolean = Real(1);
  boolean.kind = VALUE_BOOL;
  Val array;
  FillRow(&array.v, {1});
  struct Case {
    const char* name;
    RValue value;
    double expected;
  };
  const Case cases[] = {
      {"is_real", Real(1), 1},         {"is_real", Text("1"), 0},      {"is_string", Text(""), 1},
      {"is_undefined", Undefined(), 1}, {"is_bool", Real(1), 0},        {"is_bool", boolean, 1},
      {"is_real", marked, 0},          {"is_int32", Int32(4), 1},      {"is_int64", Int64(4), 1},
      {"is_int64", Int32(4), 0},       {"is_array", Share(array.v), 1}, {"is_ptr", Real(0), 0},
      {"is_vec3", Real(0), 0},         {"is_vec4", Undefined(), 0},    {"is_matrix", Real(0), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(CallReal(c.name, {c.value}), c.expected) << c.name;
}

// a = [[1, 2, 3], [4]], held by the test; the calls get shared copies, as a script's do.
class MathArrayTest : public MathTest {
 protected:
  void SetUp() override {
    MathTest::SetUp();
    FillRow(&a.v, {1, 2, 3});
    RValue four = Real(4);
    RValue_SetElement(&a.v, &four, ArrayIndex_Pack(1, 0));
  }
  double Element(int32_t row, int32_t column) {
    RValue out = RValue_MakeUndefined();
    RValue_GetElement(&out, &a.v, ArrayIndex_Pack(row, column));
    const double d = out.kind == VALUE_REAL ? out.val : -999;
    RValue_Release(&out);
    return d;
  }
  Val a;
};

TEST_F(MathArrayTest, SizesAndReads) {
  EXPECT_EQ(CallReal("array_length_1d", {Share(a.v)}), 3);
  EXPECT_EQ(CallReal("array_height_2d", {Share(a.v)}), 2);
  EXPECT_EQ(CallReal("array_height_2d", {Share(a.v), Real(0)}), 0);
  EXPECT_EQ(CallReal("array_length_2d", {Share(a.v), Real(1)}), 1);
  EXPECT_EQ(CallReal("array_length_2d", {Share(a.v), Real(5)}), 0);
  EXPECT_EQ(CallReal("array_length_2d", {Share(a.v), Real(-1)}), 0);
  EXPECT_EQ(CallReal("array_length_1d", {Real(5)}), 0);
  EXPECT_EQ(CallReal("array_get", {Share(a.v), Real(7)}), 0);
  EXPECT_EQ(CallReal("array_get", {Share(a.v), Real(2)}), 3);
  EXPECT_EQ(CallReal("array_get", {Share(a.v), Real(32000)}), 4);
  EXPECT_EQ(CallReal("array_get", {Share(a.v), Real(-2147483648.0)}), 0);
  EXPECT_EQ(CallReal("array_get_2D", {Share(a.v), Real(1), Real(0)}), 4);
  EXPECT_EQ(CallReal("array_get_2D", {Share(a.v), Real(1), Real(-1)}), 0);
  EXPECT_EQ(CallReal("array_get_2D", {Share(a.v), Real(1e9), Real(0)}), 0);
  // Not an array, or the wrong count: the answer stays undefined.
  EXPECT_EQ(Call("array_get", {Real(1), Real(0)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(Call("array_get_2D", {Share(a.v), Real(0)}).Kind(), VALUE_UNDEFINED);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(MathArrayTest, StoresReachEveryHolderOfTheArray) {
  Val other;
  RValue_Assign(&other.v, &a.v);
  EXPECT_EQ(Call("array_set", {Share(a.v), Real(32000), Text("x")}).Kind(), VALUE_UNDEFINED);
  RValue seen = RValue_MakeUndefined();
  RValue_GetElement(&seen, &other.v, ArrayIndex_Pack(1, 0));
  ASSERT_EQ(RValue_Kind(&seen), VALUE_STRING);
  EXPECT_STREQ(seen.pString->text, "x");
  RValue_Release(&seen);

  EXPECT_EQ(CallReal("array_set_post", {Share(a.v), Real(0), Real(9)}), 1);
  EXPECT_EQ(Element(0, 0), 9);
  EXPECT_EQ(CallReal("array_set_pre", {Share(a.v), Real(1), Real(8)}), 8);
  EXPECT_EQ(Element(0, 1), 8);
  EXPECT_EQ(CallReal("array_set_2D_post", {Share(a.v), Real(0), Real(2), Real(7)}), 3);
  EXPECT_EQ(Element(0, 2), 7);
  EXPECT_EQ(CallReal("array_set_2D_pre", {Share(a.v), Real(2), Real(1), Real(6)}), 6);
  Call("array_set_2D", {Share(a.v), Real(1), Real(3), Real(5)});
  EXPECT_EQ(Element(1, 3), 5);
  // Growth fills the new places with the real 0.
  EXPECT_EQ(Element(2, 0), 0);
  EXPECT_EQ(Element(1, 2), 0);
  EXPECT_EQ(CallReal("array_height_2d", {Share(other.v)}), 3);
}

TEST_F(MathArrayTest, StoresThatDoNothing) {
  Call("array_set", {Share(a.v), Real(0)});
  Call("array_set", {Share(a.v), Real(-1), Real(5)});
  Call("array_set_2D", {Share(a.v), Real(-1), Real(0), Real(5)});
  Call("array_set_2D", {Share(a.v), Real(0), Real(-1), Real(5)});
  Call("array_set_2D", {Share(a.v), Real(1e9), Real(0), Real(5)});
  Call("array_set_pre", {Real(3), Real(0), Real(5)});
  EXPECT_EQ(CallReal("array_height_2d", {Share(a.v)}), 2);
  EXPECT_EQ(CallReal("array_length_1d", {Share(a.v)}), 3);
  EXPECT_EQ(Element(0, 0), 1);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(MathArrayTest, PostStoreIntoANonArrayStopsTheGame) {
  const Answer answer = Call("array_set_post", {Real(3), Real(0), Real(5)});
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "trying to index a variable which is not an array");
  EXPECT_EQ(RuntimeErrorCapture::Exits(), 1);
}

}  // namespace
