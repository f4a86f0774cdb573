// Calls the Math group's functions as the interpreter does: found by name in the built-in table
// that InitMathFunctions filled, with value arguments, and runtime errors captured.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/function_registry.h"
#include "core/value.h"
#include "core/value_test_util.h"
#include "functions/math_functions.h"
#include "vm/calls.h"

namespace math_test {

inline RValue Real(double d) { return RValue_MakeReal(d); }
inline RValue Int32(int32_t i) {
  RValue v = RValue_MakeUndefined();
  v.v32 = i;
  v.kind = VALUE_INT32;
  return v;
}
inline RValue Int64(int64_t i) {
  RValue v = RValue_MakeUndefined();
  v.v64 = i;
  v.kind = VALUE_INT64;
  return v;
}
inline RValue Text(const char* text) {
  RValue v = RValue_MakeUndefined();
  RValue_InitString(&v, text);
  return v;
}
inline RValue Undefined() { return RValue_MakeUndefined(); }
inline RValue Bool(bool b) {
  RValue v = RValue_MakeReal(b ? 1.0 : 0.0);
  v.kind = VALUE_BOOL;
  return v;
}
// A pointer-kind value holding that number, as texture values reach scripts.
inline RValue Pointer(intptr_t value) {
  RValue v = RValue_MakeUndefined();
  v.ptr = reinterpret_cast<void*>(value);
  v.kind = VALUE_PTR;
  return v;
}
// A counted copy of a value the test keeps, for passing it as an argument.
inline RValue Share(const RValue& v) {
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, &v);
  return copy;
}

// What a call answered; released with the object.
struct Answer {
  RValue v = RValue_MakeUndefined();
  Answer() = default;
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;
  Answer(Answer&& other) noexcept : v(other.v) { other.v = RValue_MakeUndefined(); }
  ~Answer() { RValue_Release(&v); }

  uint32_t Kind() const { return RValue_Kind(&v); }
  double Real() const { return Kind() == VALUE_REAL ? v.val : std::nan(""); }
  std::string Text() const {
    return Kind() == VALUE_STRING && v.pString != nullptr && v.pString->text != nullptr ? v.pString->text : "";
  }
};

// The arguments are released after the call; self is the caller (also the other instance).
inline Answer Call(const char* name, std::vector<RValue> args = {}, CInstance* self = nullptr) {
  Answer answer;
  int32_t id = -1;
  if (!Builtin_FindCallable(name, &id)) {
    ADD_FAILURE() << "no built-in " << name;
  } else {
    std::vector<RValue*> pointers;
    for (RValue& a : args) pointers.push_back(&a);
    VM_CallBuiltin(self, self, &answer.v, static_cast<int32_t>(args.size()), id, pointers.data());
  }
  for (RValue& a : args) RValue_Release(&a);
  return answer;
}

inline double CallReal(const char* name, std::vector<RValue> args = {}) {
  const Answer a = Call(name, std::move(args));
  EXPECT_EQ(a.Kind(), VALUE_REAL) << name;
  return a.Real();
}

inline std::string CallText(const char* name, std::vector<RValue> args = {}) {
  const Answer a = Call(name, std::move(args));
  EXPECT_EQ(a.Kind(), VALUE_STRING) << name;
  return a.Text();
}

// The elements of a one-row array of reals; empty for anything else.
inline std::vector<double> ArrayReals(const Answer& a) {
  std::vector<double> out;
  if (a.Kind() != VALUE_ARRAY || a.v.pArray == nullptr || a.v.pArray->rowCount != 1) return out;
  const SharedArrayRow& row = a.v.pArray->rows[0];
  for (int32_t i = 0; i < row.length; ++i) {
    out.push_back(RValue_Kind(&row.elements[i]) == VALUE_REAL ? row.elements[i].val : std::nan(""));
  }
  return out;
}

// The Math group registered in an otherwise empty table, errors captured.
class MathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Builtin_Shutdown();
    InitMathFunctions();
  }
  void TearDown() override { Builtin_Shutdown(); }

  RuntimeErrorCapture errors;
};

}  // namespace math_test
