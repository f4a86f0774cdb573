// The call instruction: built-in functions, extension functions, scripts and script_execute.
//
// The arguments are variable slots, the first on top. A native function (built-in or extension)
// gets them in place and its result takes the slot that ends where they ended; a script gets a
// call frame below them and returns through ret, exit or the end of its code.
#include "vm/opcodes.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/argument_getters.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "core/stack_trace.h"
#include "core/value.h"
#include "runtime/runner_options.h"
#include "runtime/game_flags.h"
#include "vm/extension_names_stand_in.h"
#include "runtime/debug_services.h"
#include "runtime/connectivity.h"
#include "script/wx_object.h"
#include "vm/bytecode.h"
#include "vm/code_object.h"
#include "vm/vm_internal.h"

namespace {

constexpr int32_t kValueSize = static_cast<int32_t>(sizeof(RValue));

// Runs a native function on the n argument slots at sp. Functions index their arguments as an
// array of values, which needs the values' alignment: slots without it are handed over as an
// aligned copy, copied back afterwards so that their release sees what the function left.
template <typename Call>
void CallWithArguments(uint8_t* sp, int32_t n, Call call) {
  if (n == 0 || reinterpret_cast<uintptr_t>(sp) % alignof(RValue) == 0) {
    call(reinterpret_cast<RValue*>(sp));
    return;
  }
  VMArgumentBuffer buffer(n);
  RValue* copy = buffer.values();
  std::memcpy(static_cast<void*>(copy), sp, static_cast<size_t>(n) * sizeof(RValue));
  call(copy);
  std::memcpy(sp, static_cast<const void*>(copy), static_cast<size_t>(n) * sizeof(RValue));
}

// The n (sealed) argument slots at sp hand their values to the call: the native function's return
// releases them, a script's frame when the script returns.
void TakeArguments(VMContext* context, const uint8_t* sp, int32_t n) {
  for (int32_t i = 0; i < n; ++i) VM_BreakSeal(context, sp + static_cast<ptrdiff_t>(i) * kValueSize);
}

// Releases the n arguments at sp and leaves the result in the slot that ends where they ended.
// The result moves into the slot: an array it owns names the slot as its owner.
uint8_t* ReturnFromNative(VMContext* context, uint8_t* sp, int32_t n, const RValue& result) {
  for (int32_t i = 0; i < n; ++i) VM_ReleaseValueAt(sp + static_cast<ptrdiff_t>(i) * kValueSize);
  uint8_t* slot = sp + static_cast<ptrdiff_t>(n) * kValueSize - kValueSize;
  VM_StoreValue(slot, result, &result);
  VM_Seal(context, slot);
  return slot;
}

uint8_t* CallExtension(int32_t index, int32_t n, uint8_t* sp, VMContext* context) {
  TakeArguments(context, sp, n);
  RValue result = RValue_MakeReal(0);
  CallWithArguments(sp, n, [&](RValue* args) { Extension_CallFunction(index, n, args, &result); });
  return ReturnFromNative(context, sp, n, result);
}

uint8_t* CallBuiltin(int32_t id, int32_t n, uint8_t* sp, VMContext* context) {
  if (id >= g_BuiltinCount || g_BuiltinFunctions[id].handler == nullptr) {
    VM_Fail(context, "call: no built-in function with id %d", id);
    return sp;
  }
  return VM_CallBuiltinSlots(id, n, sp, context);
}

}  // namespace

uint8_t* VM_CallBuiltinSlots(int32_t id, int32_t n, uint8_t* sp, VMContext* context) {
  TakeArguments(context, sp, n);
  const BuiltinHandler handler = g_BuiltinFunctions[id].handler;
  Builtin_SetCurrent(id);
  const bool profiling = Profiler_Enabled;
  if (profiling) Profiler_Enter(0, id);
  StackTraceFrame trace{nullptr, g_BuiltinFunctions[id].name, -1};
  StackTrace_Push(&trace);
  RValue result = RValue_MakeReal(0);
  CInstance* self = context->self;
  CInstance* other = context->other;
  CallWithArguments(sp, n, [&](RValue* args) { handler(&result, self, other, n, args); });
  if (profiling) Profiler_Leave();
  sp = ReturnFromNative(context, sp, n, result);
  StackTrace_Pop(&trace);
  return sp;
}

uint8_t* DoCallScript(int32_t scriptIndex, CCode* code, int32_t argumentCount, uint8_t* arguments,
                      VMContext* context, WXObjectBase* locals, WXObjectBase* argumentsObject) {
  if (code == nullptr) {
    VM_Fail(context, "call to non-existent script\n");
    return arguments;
  }
  TakeArguments(context, arguments, argumentCount);
  // Without byte code the call gives the real 0 in place of its arguments, as a script that runs
  // off its end does.
  if (code->code == nullptr) return ReturnFromNative(context, arguments, argumentCount, RValue_MakeReal(0));
  if (g_RunnerOptions.trace) Console_DebugOutput("script call = %s\n", VM_ScriptTraceName(scriptIndex, code));
  uint8_t* sp = VM_EnterCall(context, arguments, code, argumentCount, locals, argumentsObject);
  WXObjectBase* scope = context->locals;
  if (Game_ObjectMode() && argumentsObject != nullptr && scope->m_slots != nullptr && scope->m_slotCount > 0) {
    RValue_Release(&scope->m_slots[0]);
    scope->m_slots[0].pObj = argumentsObject;
    scope->m_slots[0].flags = 5;
    scope->m_slots[0].kind = VALUE_OBJECT;
  }
  return sp;
}

uint8_t* DoCall(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  // Calls of function values need the standard script objects, which this runner has not got.
  if (VM_Type1(word) != VMT_INT || (word & 0x40000000u) == 0) {
    VM_Fail(context, "DoCall :: Execution Engine type error");
    return sp;
  }
  const int32_t id = VM_ReadInt(operand);
  int32_t n = VM_Immediate(word);
  if (n < 0 || !VM_StackHolds(context, sp, static_cast<int64_t>(n) * kValueSize)) {
    VM_Fail(context, "call: %d arguments are not on the stack", n);
    return sp;
  }
  if (id < 0) {
    VM_Fail(context, "call: no built-in function with id %d", id);
    return sp;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (!VM_IsSealed(context, sp + static_cast<ptrdiff_t>(i) * kValueSize)) {
      VM_Fail(context, "call: the stack holds no variable here");
      return sp;
    }
  }
  if (id < kCallableScriptBase) return CallBuiltin(id, n, sp, context);
  // Extension function 0 has the id 500000 itself.
  if (id >= kCallableExtensionBase) return CallExtension(id - kCallableExtensionBase, n, sp, context);
  int32_t script = id - kCallableScriptBase;
  if (id == kCallableScriptExecute) {
    if (n < 1) {
      VM_Fail(context, "call: script_execute without the script to run");
      return sp;
    }
    // The first argument names the script; the others are its arguments.
    RValue first = VM_LoadValue(sp);
    script = WXGI32(&first, 0);
    TakeArguments(context, sp, 1);
    VM_ReleaseValueAt(sp);
    sp += kValueSize;
    --n;
  }
  return DoCallScript(script, VM_LookupScriptCode(script), n, sp, context, nullptr, nullptr);
}
