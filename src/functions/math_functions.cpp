#include "functions/math_functions.h"

#include <cstdint>

#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "functions/math_handlers.h"

namespace math_builtins {
namespace {

// --- type tests: the whole kind word must equal the kind, so marked values never match ---------

template <uint32_t Kind>
void IsKind(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, args[0].kind == Kind ? 1.0 : 0.0);
}

// --- arrays ------------------------------------------------------------------------------------

// Kinds that no value of this runner takes, which the tests still name.
constexpr uint32_t kKindVec3 = 4;
constexpr uint32_t kKindVec4 = 8;
constexpr uint32_t kKindMatrix = 9;

// The array a value holds, when its kind word is exactly the array kind.
SharedArray* ArrayOf(const RValue* v) { return v->kind == VALUE_ARRAY ? v->pArray : nullptr; }

// The packed index of (row, column), or false when no element can have that address: a negative
// part, or a row beyond what a packed index reaches.
bool Pack(int32_t row, int32_t column, int32_t* index) {
  if (row < 0 || column < 0) return false;
  const int64_t packed = static_cast<int64_t>(row) * ARRAY_INDEX_STRIDE + column;
  if (packed > INT32_MAX) return false;
  *index = static_cast<int32_t>(packed);
  return true;
}

// Reads the element, a missing one (or an address no element can have) reading as the real 0.
void ReadElement(RValue* result, RValue* array, bool addressable, int32_t index) {
  if (!addressable) {
    Args_SetReal(result, 0.0);
    return;
  }
  RValue_GetElement(result, array, index);
}

// Stores v in the array record itself, without copy on write, so every holder sees it. A negative
// row or column stores nothing.
void StoreElement(RValue* array, bool addressable, int32_t index, const RValue* v) {
  if (addressable) SharedArray_Grow(array, v, index);
}

// A packed index from a script: the one value that addresses the whole variable is no element.
bool Addressable(int32_t index) { return index != ARRAY_INDEX_NONE; }

void ArrayLength1D(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const SharedArray* a = ArrayOf(&args[0]);
  Args_SetReal(result, a != nullptr && a->rowCount > 0 ? a->rows[0].length : 0);
}

void ArrayLength2D(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const SharedArray* a = ArrayOf(&args[0]);
  const int32_t row = WXGI32(args, 1);
  Args_SetReal(result, a != nullptr && row >= 0 && row < a->rowCount ? a->rows[row].length : 0);
}

void ArrayHeight2D(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const SharedArray* a = ArrayOf(&args[0]);
  Args_SetReal(result, argc == 1 && a != nullptr ? a->rowCount : 0);
}

void ArrayGet(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  if (ArrayOf(&args[0]) == nullptr) return;
  const int32_t index = WXGI32(args, 1);
  ReadElement(result, &args[0], Addressable(index), index);
}

void ArrayGet2D(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 3 || ArrayOf(&args[0]) == nullptr) return;
  int32_t index = 0;
  const int32_t row = WXGI32(args, 1);
  const bool addressable = Pack(row, WXGI32(args, 2), &index);
  ReadElement(result, &args[0], addressable, index);
}

void ArraySet(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 3 || ArrayOf(&args[0]) == nullptr) return;
  const int32_t index = WXGI32(args, 1);
  StoreElement(&args[0], Addressable(index), index, &args[2]);
}

void ArraySetPre(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 3 || ArrayOf(&args[0]) == nullptr) return;
  const int32_t index = WXGI32(args, 1);
  StoreElement(&args[0], Addressable(index), index, &args[2]);
  RValue_Assign(result, &args[2]);
}

// Checks neither the count nor the array: a first argument that holds none is the fatal
// indexing error.
void ArraySetPost(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  if (ArrayOf(&args[0]) == nullptr) {
    VM_RuntimeError("trying to index a variable which is not an array");
    return;
  }
  const int32_t index = WXGI32(args, 1);
  ReadElement(result, &args[0], Addressable(index), index);
  StoreElement(&args[0], Addressable(index), index, &args[2]);
}

void ArraySet2D(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 4 || ArrayOf(&args[0]) == nullptr) return;
  int32_t index = 0;
  const int32_t row = WXGI32(args, 1);
  const bool addressable = Pack(row, WXGI32(args, 2), &index);
  StoreElement(&args[0], addressable, index, &args[3]);
}

void ArraySet2DPre(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 4 || ArrayOf(&args[0]) == nullptr) return;
  int32_t index = 0;
  const int32_t row = WXGI32(args, 1);
  const bool addressable = Pack(row, WXGI32(args, 2), &index);
  StoreElement(&args[0], addressable, index, &args[3]);
  RValue_Assign(result, &args[3]);
}

void ArraySet2DPost(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc != 4 || ArrayOf(&args[0]) == nullptr) return;
  int32_t index = 0;
  const int32_t row = WXGI32(args, 1);
  const bool addressable = Pack(row, WXGI32(args, 2), &index);
  ReadElement(result, &args[0], addressable, index);
  StoreElement(&args[0], addressable, index, &args[3]);
}

// --- registration ------------------------------------------------------------------------------

// A call with fewer arguments than the function reads gets undefined values in the missing
// places (the getters then report their type error) instead of reading past the caller's values.
// The handler still sees the call's own count.
template <BuiltinHandler Handler, int32_t Count>
void WithArguments(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args) {
  if (argc >= Count) {
    Handler(result, self, other, argc, args);
    return;
  }
  RValue padded[Count];
  for (int32_t i = 0; i < Count; ++i) padded[i] = i < argc ? args[i] : RValue_MakeUndefined();
  Handler(result, self, other, argc, padded);
}

struct Entry {
  const char* name;
  BuiltinHandler handler;
  int32_t count;
  uint8_t flag;
};

template <BuiltinHandler Handler, int32_t Count>
constexpr Entry Fixed(const char* name, uint8_t flag = 0) {
  if constexpr (Count > 0) {
    return {name, &WithArguments<Handler, Count>, Count, flag};
  } else {
    return {name, Handler, Count, flag};
  }
}

constexpr Entry Any(const char* name, BuiltinHandler handler) { return {name, handler, kBuiltinAnyArgs, 0}; }

const Entry kMathFunctions[] = {
    Fixed<IsKind<VALUE_BOOL>, 1>("is_bool"),
    Fixed<IsKind<VALUE_REAL>, 1>("is_real"),
    Fixed<IsKind<VALUE_STRING>, 1>("is_string"),
    Fixed<IsKind<VALUE_ARRAY>, 1>("is_array"),
    Fixed<IsKind<VALUE_UNDEFINED>, 1>("is_undefined"),
    Fixed<IsKind<VALUE_INT32>, 1>("is_int32"),
    Fixed<IsKind<VALUE_INT64>, 1>("is_int64"),
    Fixed<IsKind<VALUE_PTR>, 1>("is_ptr"),
    Fixed<IsKind<kKindVec3>, 1>("is_vec3"),
    Fixed<IsKind<kKindVec4>, 1>("is_vec4"),
    Fixed<IsKind<kKindMatrix>, 1>("is_matrix"),
    Fixed<ArrayLength1D, 1>("array_length_1d"),
    Fixed<ArrayLength2D, 2>("array_length_2d"),
    Fixed<ArrayHeight2D, 1>("array_height_2d"),
    Fixed<ArrayGet, 2>("array_get"),
    Fixed<ArraySet, 3>("array_set"),
    Fixed<ArraySetPre, 3>("array_set_pre"),
    Fixed<ArraySetPost, 3>("array_set_post"),
    Fixed<ArrayGet2D, 3>("array_get_2D"),
    Fixed<ArraySet2D, 4>("array_set_2D"),
    Fixed<ArraySet2DPre, 4>("array_set_2D_pre"),
    Fixed<ArraySet2DPost, 4>("array_set_2D_post"),
    Fixed<Random, 1>("random"),
    Fixed<RandomRange, 2>("random_range"),
    Fixed<IRandom, 1>("irandom"),
    Fixed<IRandomRange, 2>("irandom_range"),
    Fixed<RandomUseOldVersion, 1>("random_use_old_version"),
    Fixed<RandomSetSeed, 1>("random_set_seed"),
    Fixed<RandomGetSeed, 0>("random_get_seed"),
    Fixed<Randomize, 0>("randomize"),
    Fixed<Abs, 1>("abs"),
    Fixed<Round, 1>("round"),
    Fixed<Floor, 1>("floor"),
    Fixed<Ceil, 1>("ceil"),
    Fixed<Sign, 1>("sign"),
    Fixed<Frac, 1>("frac"),
    Fixed<Sqrt, 1>("sqrt"),
    Fixed<Sqr, 1>("sqr"),
    Fixed<Exp, 1>("exp"),
    Fixed<Ln, 1>("ln"),
    Fixed<Log2, 1>("log2"),
    Fixed<Log10, 1>("log10"),
    Fixed<Sin, 1>("sin"),
    Fixed<Cos, 1>("cos"),
    Fixed<Tan, 1>("tan"),
    Fixed<ArcSin, 1>("arcsin"),
    Fixed<ArcCos, 1>("arccos"),
    Fixed<ArcTan, 1>("arctan"),
    Fixed<ArcTan2, 2>("arctan2"),
    Fixed<DSin, 1>("dsin"),
    Fixed<DCos, 1>("dcos"),
    Fixed<DTan, 1>("dtan"),
    Fixed<DArcSin, 1>("darcsin"),
    Fixed<DArcCos, 1>("darccos"),
    Fixed<DArcTan, 1>("darctan"),
    Fixed<DArcTan2, 2>("darctan2"),
    Fixed<DegToRad, 1>("degtorad"),
    Fixed<RadToDeg, 1>("radtodeg"),
    Fixed<Power, 2>("power"),
    Fixed<LogN, 2>("logn"),
    Any("min", Min),
    Any("max", Max),
    Fixed<Min, 3>("min3"),
    Fixed<Max, 3>("max3"),
    Any("mean", Mean),
    Any("median", Median),
    Any("choose", Choose),
    Fixed<Clamp, 3>("clamp", 1),
    Fixed<Lerp, 3>("lerp", 1),
    Fixed<Real, 1>("real"),
    Fixed<String, 1>("string"),
    Fixed<Int64, 1>("int64"),
    Fixed<Ptr, 1>("ptr"),
    Fixed<StringFormat, 3>("string_format"),
    Fixed<Chr, 1>("chr"),
    Fixed<AnsiChar, 1>("ansi_char"),
    Fixed<Ord, 1>("ord"),
    Fixed<StringLength, 1>("string_length"),
    Fixed<StringPos, 2>("string_pos"),
    Fixed<StringCopy, 3>("string_copy"),
    Fixed<StringCharAt, 2>("string_char_at"),
    Fixed<StringOrdAt, 2>("string_ord_at"),
    Fixed<StringByteLength, 1>("string_byte_length"),
    Fixed<StringByteAt, 2>("string_byte_at"),
    Fixed<StringSetByteAt, 3>("string_set_byte_at"),
    Fixed<StringDelete, 3>("string_delete"),
    Fixed<StringInsert, 3>("string_insert"),
    Fixed<StringLower, 1>("string_lower"),
    Fixed<StringUpper, 1>("string_upper"),
    Fixed<StringRepeat, 2>("string_repeat"),
    Fixed<StringLetters, 1>("string_letters"),
    Fixed<StringDigits, 1>("string_digits"),
    Fixed<StringLettersDigits, 1>("string_lettersdigits"),
    Fixed<StringReplace, 3>("string_replace"),
    Fixed<StringReplaceAll, 3>("string_replace_all"),
    Fixed<StringCount, 2>("string_count"),
    Fixed<PointDistance, 4>("point_distance"),
    Fixed<PointDirection, 4>("point_direction"),
    Fixed<LengthdirX, 2>("lengthdir_x"),
    Fixed<LengthdirY, 2>("lengthdir_y"),
    Fixed<PointDistance3D, 6>("point_distance_3d"),
    Fixed<DotProduct, 4>("dot_product"),
    Fixed<DotProductNormalised, 4>("dot_product_normalised"),
    Fixed<DotProduct3D, 6>("dot_product_3d"),
    Fixed<DotProduct3DNormalised, 6>("dot_product_3d_normalised"),
    Fixed<MathSetEpsilon, 1>("math_set_epsilon"),
    Fixed<MathGetEpsilon, 0>("math_get_epsilon"),
    Fixed<AngleDifference, 2>("angle_difference"),
};
static_assert(sizeof kMathFunctions / sizeof kMathFunctions[0] == 108, "the Math group has 108 functions");

}  // namespace
}  // namespace math_builtins

void InitMathFunctions() {
  for (const math_builtins::Entry& e : math_builtins::kMathFunctions) Builtin_Add(e.name, e.handler, e.count, e.flag);
}
