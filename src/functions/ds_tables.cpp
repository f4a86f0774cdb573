#include "functions/ds_tables.h"

#include <cfloat>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "core/value.h"

DsTable<CDS_Map> g_DsMaps;
DsTable<CDS_List> g_DsLists;
DsTable<CDS_Stack> g_DsStacks;
DsTable<CDS_Queue> g_DsQueues;
DsTable<CDS_Priority> g_DsPriorities;
DsTable<CDS_Grid> g_DsGrids;

double g_DsPrecision = 0.00000001;

void DS_SetPrecision(double x) { g_DsPrecision = std::fabs(x); }

bool DS_Exists(int32_t id, int32_t kind) {
  switch (kind) {
    case kDsTypeMap: return g_DsMaps.Get(id) != nullptr;
    case kDsTypeList: return g_DsLists.Get(id) != nullptr;
    case kDsTypeStack: return g_DsStacks.Get(id) != nullptr;
    case kDsTypeQueue: return g_DsQueues.Get(id) != nullptr;
    case kDsTypeGrid: return g_DsGrids.Get(id) != nullptr;
    case kDsTypePriority: return g_DsPriorities.Get(id) != nullptr;
    default: return false;
  }
}

namespace {

// Round to nearest in single precision. A double beyond the float range is not a valid float
// conversion operand, so the overflow to infinity is spelt out: from halfway between FLT_MAX and
// 2^128 on, the nearest (ties to even) is infinity.
double ToSingle(double x) {
  constexpr double kOverflow = 0x1.ffffffp127;
  if (x >= kOverflow) return HUGE_VAL;
  if (x <= -kOverflow) return -HUGE_VAL;
  return static_cast<float>(x);
}

int32_t NumberRule(double x, double y, double epsilon) {
  const double d = ToSingle(x - y);
  if (d == 0.0) return 0;  // equal values stay equal when scripts ask for exact comparison
  if (d != d) return 1;    // a NaN operand, or infinities of one sign
  if (epsilon > std::fabs(d)) return 0;
  return d >= 0.0 ? 1 : -1;
}

template <typename Int>
int32_t IntegerRule(Int a, Int b) {
  return a == b ? 0 : (a > b ? 1 : -1);
}

// A real against an integer of type Int, the real on the left: truncated toward zero when it
// fits; above the range it orders after every integer, below before; NaN gives 1.
template <typename Int>
int32_t RealAgainstInteger(double a, Int b) {
  // Powers of two, so both bounds are exact doubles: 2^63 (2^31) is the first value above range.
  constexpr double kAbove = -static_cast<double>(std::numeric_limits<Int>::min());
  constexpr double kLowest = static_cast<double>(std::numeric_limits<Int>::min());
  if (a != a) return 1;
  const double t = std::trunc(a);
  if (t >= kAbove) return 1;
  if (t < kLowest) return -1;
  return IntegerRule(static_cast<Int>(t), b);
}

// The same comparison with the real on the right. NaN gives 1 on either side.
template <typename Int>
int32_t IntegerAgainstReal(Int a, double b) {
  if (b != b) return 1;
  return -RealAgainstInteger<Int>(b, a);
}

int32_t StringRule(const SharedString* a, const SharedString* b) {
  if (a == nullptr || b == nullptr) return 1;
  const char* x = a->text != nullptr ? a->text : "";
  const char* y = b->text != nullptr ? b->text : "";
  const int c = std::strcmp(x, y);  // compares as unsigned bytes
  return c == 0 ? 0 : (c < 0 ? -1 : 1);
}

// One case per pair of kinds that has a rule; the table is indexed by ka * 16 + kb.
enum CompareRule : uint8_t {
  kOther,
  kRealReal,
  kRealInt32,
  kInt32Real,
  kRealInt64,
  kInt64Real,
  kBoolInt32,
  kInt32Bool,
  kIntInt,
  kStringString,
  kPtrPtr,
  kUndefinedUndefined,
};

constexpr uint32_t kRuleKinds = 16;

struct RuleTable {
  uint8_t rule[kRuleKinds * kRuleKinds] = {};
  constexpr RuleTable() {
    auto set = [this](uint32_t a, uint32_t b, CompareRule r) { rule[a * kRuleKinds + b] = r; };
    for (uint32_t a : {VALUE_REAL, VALUE_BOOL}) {
      for (uint32_t b : {VALUE_REAL, VALUE_BOOL}) set(a, b, kRealReal);
      set(a, VALUE_INT64, kRealInt64);
      set(VALUE_INT64, a, kInt64Real);
    }
    set(VALUE_REAL, VALUE_INT32, kRealInt32);
    set(VALUE_INT32, VALUE_REAL, kInt32Real);
    set(VALUE_BOOL, VALUE_INT32, kBoolInt32);
    set(VALUE_INT32, VALUE_BOOL, kInt32Bool);
    for (uint32_t a : {VALUE_INT32, VALUE_INT64}) {
      for (uint32_t b : {VALUE_INT32, VALUE_INT64}) set(a, b, kIntInt);
    }
    set(VALUE_STRING, VALUE_STRING, kStringString);
    set(VALUE_PTR, VALUE_PTR, kPtrPtr);
    set(VALUE_UNDEFINED, VALUE_UNDEFINED, kUndefinedUndefined);
  }
};
constexpr RuleTable kRules;

int64_t AsInteger(const RValue* v) { return RValue_Kind(v) == VALUE_INT32 ? v->v32 : v->v64; }

}  // namespace

int32_t RValue_Compare(const RValue* a, const RValue* b, double epsilon) {
  const uint32_t ka = RValue_Kind(a);
  const uint32_t kb = RValue_Kind(b);
  const CompareRule rule =
      ka < kRuleKinds && kb < kRuleKinds ? static_cast<CompareRule>(kRules.rule[ka * kRuleKinds + kb]) : kOther;
  switch (rule) {
    case kRealReal: return NumberRule(ToSingle(a->val), ToSingle(b->val), epsilon);
    case kRealInt32: return NumberRule(a->val, ToSingle(b->v32), epsilon);
    case kInt32Real: return NumberRule(ToSingle(a->v32), b->val, epsilon);
    case kRealInt64: return RealAgainstInteger<int64_t>(a->val, b->v64);
    case kInt64Real: return IntegerAgainstReal<int64_t>(a->v64, b->val);
    case kBoolInt32: return RealAgainstInteger<int32_t>(a->val, b->v32);
    case kInt32Bool: return IntegerAgainstReal<int32_t>(a->v32, b->val);
    case kIntInt: return IntegerRule(AsInteger(a), AsInteger(b));
    case kStringString: return StringRule(a->pString, b->pString);
    case kPtrPtr: {
      const uintptr_t x = reinterpret_cast<uintptr_t>(a->ptr);
      const uintptr_t y = reinterpret_cast<uintptr_t>(b->ptr);
      return x == y ? 0 : (x < y ? 1 : -1);
    }
    case kUndefinedUndefined: return 0;
    case kOther: break;
  }
  return ka == VALUE_REAL ? -1 : 1;
}
