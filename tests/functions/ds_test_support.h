// The data-structure tests: fresh tables and a fresh function table around each test, script
// functions called by name through the call layer, errors and console lines captured.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/ds_functions.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "host/host_fixture.h"
#include "vm/calls.h"

inline constexpr const char* kBadId = "Data structure with index does not exist.";

// A script argument or result: an owned value with the makers the tests need.
struct Arg {
  RValue v = RValue_MakeUndefined();
  Arg() = default;
  Arg(double d) : v(RValue_MakeReal(d)) {}           // NOLINT: tests write plain numbers
  Arg(int d) : v(RValue_MakeReal(d)) {}              // NOLINT
  Arg(const char* s) { RValue_SetString(&v, s); }    // NOLINT
  Arg(const Arg& other) { RValue_Assign(&v, &other.v); }
  Arg& operator=(const Arg& other) {
    RValue_Assign(&v, &other.v);
    return *this;
  }
  ~Arg() { RValue_Release(&v); }

  static Arg Int32(int32_t i) {
    Arg a;
    a.v.v32 = i;
    a.v.kind = VALUE_INT32;
    return a;
  }
  static Arg Int64(int64_t i) {
    Arg a;
    a.v.v64 = i;
    a.v.kind = VALUE_INT64;
    return a;
  }
  static Arg Bool(double d) {
    Arg a(d);
    a.v.kind = VALUE_BOOL;
    return a;
  }
  static Arg Ptr(void* p) {
    Arg a;
    a.v.ptr = p;
    a.v.kind = VALUE_PTR;
    return a;
  }

  uint32_t Kind() const { return RValue_Kind(&v); }
  bool IsUndefined() const { return v.kind == VALUE_UNDEFINED; }
  bool IsReal(double d) const { return v.kind == VALUE_REAL && v.val == d; }
  bool IsString(const char* s) const {
    return v.kind == VALUE_STRING && v.pString != nullptr && std::string(v.pString->text) == s;
  }
};

// "1", "'a'", "undefined": enough to compare lists of values in one assertion.
inline std::string Show(const RValue* v) {
  if (v == nullptr) return "none";
  switch (v->kind) {
    case VALUE_REAL: {
      char text[32];
      std::snprintf(text, sizeof text, "%g", v->val);
      return text;
    }
    case VALUE_STRING: return "'" + std::string(v->pString->text) + "'";
    case VALUE_UNDEFINED: return "undefined";
    default: return "kind " + std::to_string(v->kind);
  }
}

class DsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    InitDSFunctions();
    m_previousConsole = g_pDebugConsole;
    g_pDebugConsole = &m_console;
  }
  void TearDown() override {
    g_pDebugConsole = m_previousConsole;
    Reset();
  }

 public:
  static void Reset() {
    DS_FreeAll();
    Builtin_Shutdown();
    DS_SetPrecision(0.00000001);
  }

  // Calls the script function by name with the arguments; the result is what it left.
  static Arg Call(const char* name, std::initializer_list<Arg> args = {}) {
    int32_t id = -1;
    EXPECT_TRUE(Builtin_FindCallable(name, &id)) << name;
    std::vector<RValue*> pointers;
    for (const Arg& a : args) pointers.push_back(const_cast<RValue*>(&a.v));
    Arg result;
    VM_CallBuiltin(nullptr, nullptr, &result.v, static_cast<int32_t>(pointers.size()), id, pointers.data());
    return result;
  }
  static double Real(const char* name, std::initializer_list<Arg> args = {}) {
    Arg r = Call(name, args);
    EXPECT_EQ(r.Kind(), VALUE_REAL) << name;
    return r.v.val;
  }

  // The elements of a list as Show prints them.
  static std::string Elements(int32_t id) {
    const CDS_List* list = g_DsLists.Get(id);
    if (list == nullptr) return "no list";
    std::string out;
    for (int32_t i = 0; i < list->Size(); ++i) out += (i ? " " : "") + Show(list->GetValue(i));
    return out;
  }
  // The keys of a map in iteration order, through find_first and find_next.
  static std::string Keys(int32_t id) {
    std::string out;
    for (Arg k = Call("ds_map_find_first", {id}); !k.IsUndefined(); k = Call("ds_map_find_next", {id, k})) {
      out += (out.empty() ? "" : " ") + Show(&k.v);
    }
    return out;
  }

  // A fresh report for each assertion.
  static std::string TakeError() {
    const std::string e = RuntimeErrorCapture::Reported() ? RuntimeErrorCapture::LastError() : "";
    RuntimeErrorCapture::Reset();
    return e;
  }


 protected:
  RuntimeErrorCapture m_errors;
  CaptureConsole m_console;
  tagIConsole* m_previousConsole = nullptr;
};
