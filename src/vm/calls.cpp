#include "vm/calls.h"

#include <cstring>
#include <vector>

#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "vm/script_table.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "runtime/link_record.h"
#include "vm/code_object.h"
#include "vm/vm_internal.h"

// --- calls -----------------------------------------------------------------------------------------

RValue* VM_CallBuiltin(CInstance* self, CInstance* other, RValue* result, int32_t argc, int32_t index,
                       RValue** args) {
  if (index < 0 || index >= g_BuiltinCount || g_BuiltinFunctions[index].handler == nullptr) {
    VM_RuntimeError("call to a built-in function that does not exist (index %d)", index);
    return result;
  }
  Builtin_SetCurrent(index);
  RValue_Release(result);
  *result = RValue_MakeUndefined();
  const int32_t n = argc > 0 ? argc : 0;
  // The handler reads its arguments side by side; the copies take no references of their own.
  VMArgumentBuffer buffer(n);
  RValue* values = buffer.values();
  for (int32_t i = 0; i < n; ++i) std::memcpy(static_cast<void*>(&values[i]), args[i], sizeof(RValue));
  g_BuiltinFunctions[index].handler(result, self, other, argc, values);
  return result;
}

RValue* VM_CallScript(CInstance* self, CInstance* other, RValue* result, int32_t argc, int32_t scriptIndex,
                      RValue** args) {
  CScript* script = Script_Data(scriptIndex);
  if (script == nullptr) {
    VM_RuntimeError("call to a script that does not exist (index %d)", scriptIndex);
    return result;
  }
  if (script->m_pNative == nullptr || script->m_pNative->function == nullptr) {
    VM_RuntimeError("script %s has no compiled code", Script_Name(scriptIndex));
    return result;
  }
  RValue_Release(result);
  *result = RValue_MakeReal(0);
  return reinterpret_cast<NativeScriptFunction>(script->m_pNative->function)(self, other, result, argc, args);
}

// --- texts -----------------------------------------------------------------------------------------

char* VM_StrDupLen(const char* text, int32_t* length) {
  if (text == nullptr) {
    if (length != nullptr) *length = 0;
    return nullptr;
  }
  const size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(MEM_ALLOC_RAW(n + 1));
  std::memcpy(copy, text, n + 1);
  if (length != nullptr) *length = static_cast<int32_t>(n);
  return copy;
}

char* VM_StrDup(const char* text) { return VM_StrDupLen(text, nullptr); }

char* VM_StrConcat(const char* first, const char* second) {
  if (first == nullptr) return VM_StrDup(second);
  if (second == nullptr) return VM_StrDup(first);
  const size_t a = std::strlen(first);
  const size_t b = std::strlen(second);
  auto* joined = static_cast<char*>(MEM_ALLOC_RAW(a + b + 1));
  std::memcpy(joined, first, a);
  std::memcpy(joined + a, second, b + 1);
  return joined;
}

size_t VM_StrNLen(const char* text, size_t n) {
  const void* nul = std::memchr(text, 0, n);
  return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : n;
}
