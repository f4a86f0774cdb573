// external_*: binding functions of native libraries and calling them, over the native-call table.
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "functions/misc_handlers.h"
#include "net/native_calls_stand_in.h"
#include "runtime/error_report.h"
#include "world/builtin_values.h"

namespace {

using misc::SetReal;

constexpr int32_t kDllCdecl = 0;
// external_call copies at most this many arguments after the id; no definition takes more than 16.
constexpr int32_t kCallCopyValues = 17;

const char* TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

// The call, and the answer: the index, or -1 with the report every define form gives.
void Define(RValue* result, const char* library, const char* name, int32_t callType, int32_t count,
            const int32_t* kinds, bool resultIsString) {
  const int32_t index = External_Define(TextOrEmpty(library), TextOrEmpty(name), callType, count, kinds, resultIsString);
  if (index == -1) Error_Report(false, "Error defining an external function.");
  SetReal(result, index);
}

BUILTIN_FN(ExternalDefine) {
  HANDLER_ARGS;
  const char* library = a.S(0);
  const char* name = a.S(1);
  const int32_t callType = a.I(2);
  const int32_t resultType = a.I(3);
  const int32_t count = a.I(4);
  if (argc <= 4 || static_cast<int64_t>(argc) != static_cast<int64_t>(count) + 5) {
    Error_Report(false, "Wrong number of arguments to external_define()");
    return;
  }
  if (count > kExternalMaxArguments) {
    Error_Report(false, "DLL functions can have at most 16 arguments");
    return;
  }
  int32_t kinds[kExternalKindWords] = {};
  bool anyNonReal = false;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t type = a.I(5 + i);
    kinds[i] = type == kExternalKindString ? kExternalKindString : kExternalKindReal;
    anyNonReal = anyNonReal || type != kExternalKindReal;
  }
  if (count > 4 && anyNonReal) {
    Error_Report(false, "DLL functions with more than 4 arguments cannot have string arguments");
    return;
  }
  Define(result, library, name, callType, count, kinds, resultType == kExternalKindString);
}

// external_define0 .. external_define4: (library, name, N argument types, result type).
// external_define4 reads its types as reals rounded to the nearest integer.
template <int32_t N>
BUILTIN_FN(ExternalDefineTyped) {
  HANDLER_ARGS;
  auto type = [&a](int32_t n) { return N == 4 ? Builtin_Round(a.R(n)) : a.I(n); };
  int32_t kinds[kExternalKindWords] = {};
  for (int32_t i = 0; i < N; ++i) kinds[i] = type(2 + i) == kExternalKindString ? kExternalKindString : kExternalKindReal;
  Define(result, a.S(0), a.S(1), kDllCdecl, N, kinds, type(2 + N) == kExternalKindString);
}

// external_define5 .. external_define8: (library, name, result type), every argument a real.
template <int32_t N>
BUILTIN_FN(ExternalDefineReals) {
  HANDLER_ARGS;
  const int32_t kinds[kExternalKindWords] = {};
  Define(result, a.S(0), a.S(1), kDllCdecl, N, kinds, a.I(2) == kExternalKindString);
}

// The arguments after the id; those a short call did not bring are the real 0.
template <int32_t N>
BUILTIN_FN(ExternalCallFixed) {
  HANDLER_ARGS;
  RValue values[N + 1];
  for (int32_t i = 0; i < N; ++i) values[i] = a.Has(i + 1) ? argv[i + 1] : RValue_MakeReal(0.0);
  External_Call(a.I(0), N, values, result);
}

// More arguments than the copy holds call nothing: no definition could take them.
BUILTIN_FN(ExternalCall) {
  HANDLER_ARGS;
  const int32_t count = argc - 1;
  if (count < 0 || count > kCallCopyValues) {
    SetReal(result, 0.0);
    return;
  }
  RValue copy[kCallCopyValues];
  for (int32_t i = 0; i < count; ++i) copy[i] = argv[i + 1];
  RValue answer = RValue_MakeReal(0.0);
  External_Call(Builtin_Round(a.R(0)), count, copy, &answer);
  RValue_Release(result);
  *result = answer;
}

BUILTIN_FN(ExternalFree) {
  HANDLER_ARGS;
  if (const char* library = a.Text(0)) External_Free(library);
}

template <int32_t N>
void AddPair(uint8_t flag) {
  if constexpr (N <= 4) {
    Builtin_Add(("external_define" + std::to_string(N)).c_str(), ExternalDefineTyped<N>, N + 3, flag);
  } else {
    Builtin_Add(("external_define" + std::to_string(N)).c_str(), ExternalDefineReals<N>, 3, flag);
  }
  Builtin_Add(("external_call" + std::to_string(N)).c_str(), ExternalCallFixed<N>, N + 1, flag);
}

template <int32_t... N>
void AddPairs(uint8_t flag, std::integer_sequence<int32_t, N...>) {
  (AddPair<N>(flag), ...);
}

}  // namespace

namespace misc {

void RegisterExternalFunctions(uint8_t flag) {
  Builtin_Add("external_define", ExternalDefine, kBuiltinAnyArgs, flag);
  Builtin_Add("external_call", ExternalCall, kBuiltinAnyArgs, flag);
  Builtin_Add("external_free", ExternalFree, 1, flag);
  AddPairs(flag, std::make_integer_sequence<int32_t, 9>{});
}

}  // namespace misc
