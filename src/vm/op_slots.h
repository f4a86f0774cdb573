// Typed value-stack slots as the value-operator instructions (ops_arith.cpp, ops_compare.cpp)
// read, consume and write them. Slots sit at 4-byte boundaries only, so every access copies.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/argument_getters.h"
#include "core/value.h"
#include "vm/bytecode.h"
#include "vm/interpreter.h"
#include "vm/slot_seals.h"
#include "vm/vm_internal.h"

namespace vm_slots {

template <typename T>
inline T Load(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
template <typename T>
inline void Store(uint8_t* at, const T& value) {
  std::memcpy(at, &value, sizeof value);
}

// The record a string slot refers to; the slot keeps its reference.
inline SharedString* PeekString(const uint8_t* slot) { return VM_StringHandleGet(Load<uint32_t>(slot)); }
// Makes a string slot that owns the caller's reference to the record (null: the null string).
inline void StoreString(uint8_t* slot, SharedString* record) { Store<uint32_t>(slot, VM_StringHandleNew(record)); }

// Numbers to integers as the argument getters truncate them: NaN and the infinities give 0, a
// value outside the range the integer's smallest value.
inline int32_t TruncateToInt32(double d) {
  RValue v = RValue_MakeReal(d);
  return WXGI32(&v, 0);
}
inline int64_t TruncateToInt64(double d) {
  RValue v = RValue_MakeReal(d);
  return WXGI64(&v, 0);
}

// False when the slot is a variable operand that holds no sealed variable, or a number operand
// whose bytes belong to one.
inline bool OperandSealed(const VMContext* context, uint32_t type, const uint8_t* slot) {
  if (type == VMT_VARIABLE) return VM_IsSealed(context, slot);
  return type > VMT_DEBUG_STRING || !VM_InsideSealedSlot(context, slot, VM_StackSlotSize(type));
}

// Reported when an instruction finds fewer slots on the stack than its types name; the code stops.
uint8_t* VM_FailUnderflow(uint32_t word, uint8_t* sp, VMContext* context);
// The text of an operand OperandSealed refused: "<instruction>: the stack holds no variable
// here" when the refused operand is a variable, "... holds a variable here" when it is a number.
const char* VM_NoVariableText(uint32_t word, uint32_t refusedType, char* text, size_t size);

}  // namespace vm_slots
