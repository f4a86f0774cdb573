// Seals of variable slots.
//
// Stack slots carry no type: stored code could lay down two doubles and pop them as a variable
// whose kind claims a string or an array at an address of its choosing. So every variable slot
// the interpreter makes is sealed: beside the stack it keeps a mark on the slot's first word and a
// copy of the slot's 16 bytes. A variable is read, copied or taken only from a sealed slot whose
// bytes still equal the copy, and taking it (moving its value out or releasing it) breaks the seal.
// Sealing a slot clears the marks of the seals it overlaps, so copies never overlap.
//
// A sealed slot therefore holds a value that the interpreter made and that nothing has released or
// moved since; numbers pushed or written over it change its bytes and the seal no longer holds,
// without the numeric paths doing anything.
//
// Anything that moves slots as bytes (the swap forms) moves their seals with them and breaks the
// seals it cuts apart; the growth of the stack moves the seals as it moves the slots. As each seal
// stands for one value that nothing else owns, the end of a run releases what is still sealed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vm/vm_context.h"

inline constexpr int32_t kVMSealMargin = 4;  // marks beside each end of the mark row

// Bytes of seal storage for a stack block of `stackSize` bytes: a mark per 4-byte word with a
// margin at both ends (sealing clears the marks of three words each side without a bounds test),
// then a copy area of the block's size.
inline constexpr size_t VM_SealStorageSize(int32_t stackSize) {
  return static_cast<size_t>(stackSize / 4 + 2 * kVMSealMargin + stackSize);
}
// Points the context's seals into `storage` (VM_SealStorageSize bytes) of a context with no slot
// sealed yet.
inline void VM_AttachSeals(VMContext* context, uint8_t* storage) {
  std::memset(storage, 0, static_cast<size_t>(context->stackSize / 4 + 2 * kVMSealMargin));
  context->slotMarks = storage + kVMSealMargin;
  context->slotCopies = storage + context->stackSize / 4 + 2 * kVMSealMargin;
}
// The storage VM_AttachSeals was given.
inline uint8_t* VM_SealStorage(const VMContext* context) { return context->slotMarks - kVMSealMargin; }

inline size_t VM_SlotOffset(const VMContext* context, const uint8_t* slot) {
  return static_cast<size_t>(slot - context->stackBlock);
}

// Seals the variable slot the interpreter has just written at `slot`.
inline void VM_Seal(VMContext* context, const uint8_t* slot) {
  static constexpr uint8_t kMarks[7] = {0, 0, 0, 1, 0, 0, 0};
  const size_t at = VM_SlotOffset(context, slot);
  std::memcpy(context->slotMarks + at / 4 - 3, kMarks, sizeof kMarks);
  std::memcpy(context->slotCopies + at, slot, 16);
  const int32_t reach = context->stackSize - static_cast<int32_t>(at);
  if (reach > context->sealReach) context->sealReach = reach;
}

// True when `slot` holds a variable the interpreter made and still owns there.
inline bool VM_IsSealed(const VMContext* context, const uint8_t* slot) {
  const size_t at = VM_SlotOffset(context, slot);
  return context->slotMarks[at / 4] != 0 && std::memcmp(context->slotCopies + at, slot, 16) == 0;
}

// The value of a sealed slot moves out or is released: the slot no longer owns it.
inline void VM_BreakSeal(VMContext* context, const uint8_t* slot) {
  context->slotMarks[VM_SlotOffset(context, slot) / 4] = 0;
}

// Breaks the seal of a sealed slot; false (nothing changed) when the slot holds no variable.
inline bool VM_TakeSealed(VMContext* context, const uint8_t* slot) {
  if (!VM_IsSealed(context, slot)) return false;
  VM_BreakSeal(context, slot);
  return true;
}

// Exchanges two adjacent runs of slots as bytes, [first][second] at `at` becoming
// [second][first], and their seals with them; seals that the exchange cuts apart are broken.
void VM_RotateSlots(VMContext* context, uint8_t* at, int32_t first, int32_t second);
