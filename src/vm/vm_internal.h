// What the instruction handlers share beyond the interpreter's public header: the ends of the
// stack block, operand reads, and the access to slots that sit at any 4-byte boundary (int, bool
// and string slots are 4 bytes, so a value slot is not always 8-byte aligned and is read and
// written through aligned copies).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/value.h"
#include "runtime/debug_services.h"
#include "runtime/connectivity.h"
#include "script/wx_object.h"
#include "vm/code_object.h"
#include "vm/interpreter.h"
#include "vm/slot_seals.h"

// Instance types of variable references beyond the targets of variable_access.h.
inline constexpr int32_t kInstNoone = -4;
inline constexpr int32_t kInstGlobal = -5;
inline constexpr int32_t kInstGlobalOrSelf = -6;
inline constexpr int32_t kInstLocal = -7;
inline constexpr int32_t kInstLocalOrSelf = -8;
inline constexpr int32_t kInstStackObject = -9;
inline constexpr int32_t kInstStackObjectKey = -10;
inline constexpr int32_t kInstScopeChain = -11;
inline constexpr int32_t kInstScopeWalk = -12;
inline constexpr int32_t kInstArgument = -13;
inline constexpr int32_t kInstNoValue = -14;

// The reference word of a variable instruction: bit 31 set, no array index (else a packed index
// is popped first); bit 29 set, the instance is the word's immediate (else it is popped next); bit
// 30, the instance is an instance id less 100000; bit 28, a declaration; bits 0-27 the variable id.
inline constexpr uint32_t kRefNoIndex = 0x80000000u;
inline constexpr uint32_t kRefInstanceId = 0x40000000u;
inline constexpr uint32_t kRefImmediateInstance = 0x20000000u;
inline constexpr uint32_t kRefDeclaration = 0x10000000u;
inline constexpr uint32_t kRefIdMask = 0x0FFFFFFFu;

// Whether a comparison of sub-kind 1 to 6 (<, <=, ==, !=, >=, >) holds for a difference of two
// numbers, within the math epsilon; a NaN difference holds for none.
bool VM_DecideDifference(uint32_t subKind, double d);

// A native function's arguments side by side: room for a few on the stack, more on the heap.
class VMArgumentBuffer {
 public:
  explicit VMArgumentBuffer(int32_t n) {
    if (n > kSmall) {
      m_large.resize(static_cast<size_t>(n));
      m_values = m_large.data();
    }
  }
  RValue* values() { return m_values; }

 private:
  static constexpr int32_t kSmall = 8;
  RValue m_small[kSmall];
  std::vector<RValue> m_large;
  RValue* m_values = m_small;
};

// The interpreter's global state, shared with the fast loop (interpreter.cpp owns it).
namespace vm_state {
extern VMContext* current;
extern int32_t argumentCount;
extern RValue* arguments;
extern uint32_t branchCount;
extern size_t withFrames;  // with-blocks open in all contexts (ops_with.cpp keeps it)
}  // namespace vm_state

// Pumps the window messages and tells whether that failed the run (a launched game's error
// hook returns and lets the game go on) or the pump saw a quit request (SIGINT, SIGTERM) while
// the game starts or runs frames, which stops the run quietly as a failure does: the branch that
// pumped is then not taken and the run ends, so that the pump can stop code that loops without
// end.
bool VM_PumpStopsRun(VMContext* context);
// Counts a branch; every 4,096th pumps the window. True when the pump stopped the run.
inline bool VM_CountBranch(VMContext* context) {
  return (++vm_state::branchCount & 0xFFF) == 0 && VM_PumpStopsRun(context);
}

inline uint8_t* VM_BlockEnd(const VMContext* context) { return context->stackBlock + context->stackSize; }
inline uint8_t* VM_FrameTop(const VMContext* context) { return reinterpret_cast<uint8_t*>(context->frame); }
// Distance of a stack position from the end of the block; it survives the block's growth.
inline int32_t VM_StackDistance(const VMContext* context, const uint8_t* at) {
  return static_cast<int32_t>(VM_BlockEnd(context) - at);
}
// True when the slots between sp and the current frame hold at least n bytes.
inline bool VM_StackHolds(const VMContext* context, const uint8_t* sp, int64_t n) {
  return n >= 0 && sp >= context->stackBlock && n <= VM_FrameTop(context) - sp;
}

inline uint32_t VM_ReadWord(const uint8_t* at) {
  uint32_t word;
  std::memcpy(&word, at, 4);
  return word;
}
inline int32_t VM_ReadInt(const uint8_t* at) { return static_cast<int32_t>(VM_ReadWord(at)); }
inline uint8_t* VM_PushInt(uint8_t* sp, int32_t value) {
  sp -= 4;
  std::memcpy(sp, &value, 4);
  return sp;
}

inline RValue VM_LoadValue(const uint8_t* slot) {
  RValue value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}
// Moves a value into a slot: whatever the value held now belongs to the slot. An array that the
// value owned names the slot as its owner instead.
inline void VM_StoreValue(uint8_t* slot, RValue value, const RValue* previousHome = nullptr) {
  if (previousHome != nullptr && RValue_Kind(&value) == VALUE_ARRAY && value.pArray != nullptr &&
      value.pArray->owner == previousHome) {
    value.pArray->owner = reinterpret_cast<const RValue*>(slot);
  }
  std::memcpy(slot, &value, sizeof value);
}

// Releases the sealed variables in [from, to).
void VM_ReleaseSealedBetween(VMContext* context, uint8_t* from, const uint8_t* to);
// Releases the value in a variable slot (it becomes undefined, flags kept).
void VM_ReleaseHeldValueAt(uint8_t* slot);
inline void VM_ReleaseValueAt(uint8_t* slot) {
  uint32_t kind;
  std::memcpy(&kind, slot + offsetof(RValue, kind), sizeof kind);
  if (RValue_KindHoldsRef(kind)) {
    VM_ReleaseHeldValueAt(slot);
    return;
  }
  const uint64_t zero = 0;
  const uint32_t undefined = VALUE_UNDEFINED;
  std::memcpy(slot, &zero, sizeof zero);
  std::memcpy(slot + offsetof(RValue, kind), &undefined, sizeof undefined);
}
// Releases what a slot of the type owns: a string slot's reference, a sealed variable slot's value
// (a variable slot without a seal owns nothing).
void VM_ReleaseSlot(VMContext* context, uint32_t type, uint8_t* slot);
// A counted copy of a value into a slot, as a variable read gives it: strings and arrays gain a
// reference, an array without an owner takes the slot as its owner.
void VM_CopyValueTo(uint8_t* slot, const RValue* source);

// True when an instruction starts at `target` of the buffer's code (`base`, `size` bytes).
bool VM_IsInstructionStart(VMBuffer* buffer, const uint8_t* base, int32_t size, int32_t target);
// Calls built-in `id` on the n argument slots at sp (valid id); the result takes the slot that
// ends where they ended, which is returned.
uint8_t* VM_CallBuiltinSlots(int32_t id, int32_t n, uint8_t* sp, VMContext* context);

// Jumps by the branch offset of the instruction being run (a bad target stops the code).
void VM_Branch(uint32_t word, VMContext* context);
// Grows the stack block until `bytes` more can be pushed at sp with the usual headroom left.
uint8_t* VM_EnsureStack(uint8_t* sp, VMContext* context, int64_t bytes);

// With-blocks still open when the code that opened them leaves: those of the context that lie
// deeper than `distance` (from the block's end) are dropped and their instance arrays freed.
void VM_DropWithFrames(const VMContext* context, int32_t distance);

// The code object of script n as `call` finds it; null when there is no such script.
CCode* VM_LookupScriptCode(int32_t scriptIndex);
// The name a trace line gives a call of script n: the script's own name ("move_player"), or the
// name of its code object when the script table holds no such script.
const char* VM_ScriptTraceName(int32_t scriptIndex, const CCode* code);

// A new locals object: `count` unset slots and no outer scope.
WXObjectBase* VM_NewLocals(int32_t count);

// Unwinds the current call: the caller's state comes back, the call's arguments are released,
// and the slot that ends where the arguments ended is returned (the caller's stack pointer).
inline uint8_t* VM_UnwindCall(VMContext* context) {
  VMCallFrame* frame = context->frame;
  uint8_t* arguments = VM_FrameTop(context) + sizeof(VMCallFrame);
  const int32_t argumentCount = vm_state::argumentCount;
  if (vm_state::withFrames != 0) VM_DropWithFrames(context, VM_StackDistance(context, VM_FrameTop(context)));
  if (Profiler_Enabled) Profiler_Leave();
  context->depth--;
  context->self = frame->self;
  context->other = frame->other;
  context->pc = frame->returnPc;
  context->codeBuffer = frame->codeBuffer;
  context->debugInfo = frame->debugInfo;
  context->sourceText = frame->sourceText;
  context->name = frame->name;
  if (context->localsGiven == 0 && context->locals != nullptr) WXObject_Free(context->locals);
  context->locals = frame->locals;
  context->localsGiven = frame->localsGiven;
  context->codeBase = context->codeBuffer != nullptr ? context->codeBuffer->code : nullptr;
  context->codeSize = context->codeBuffer != nullptr ? context->codeBuffer->length : 0;
  for (int32_t i = 0; i < argumentCount; ++i) VM_ReleaseValueAt(arguments + static_cast<size_t>(i) * sizeof(RValue));
  vm_state::argumentCount = frame->callerArgumentCount;
  vm_state::arguments = frame->callerArgumentsPosition >= 0
                    ? reinterpret_cast<RValue*>(VM_BlockEnd(context) - frame->callerArgumentsPosition)
                    : nullptr;
  context->frame = reinterpret_cast<VMCallFrame*>(
      frame->callerFramePosition >= 0 ? VM_BlockEnd(context) - frame->callerFramePosition : VM_BlockEnd(context));
  return arguments + static_cast<size_t>(argumentCount) * sizeof(RValue) - sizeof(RValue);
}
