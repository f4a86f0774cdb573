// Seals of variable slots.
//
// Stack slots carry no type: stored code could lay down two doubles and pop them as a variable
// whose kind claims a string or an array at an address of its choosing. So every variable slot
// the interpreter makes is sealed: beside the stack it keeps a mark on the slot's first word and a
// copy of the slot's 16 bytes. A variable is read, copied or taken only from a sealed slot whose
// bytes still equal the copy, and taking it (moving its value out or releasing it) breaks the seal.
// Sealing a slot clears the marks of the seals it overlaps, so copies never overlap.
//
// A seal stands for a value that nothing else owns: when stored code writes over a sealed slot,
// or lays a new one across it, the value is released from the copy (where a seal is cut off or
// at the end of the run), so that malformed code cannot leak what it pushed.
//
// A sealed slot therefore holds a value that the interpreter made and that nothing has released or
// moved since; numbers pushed or written over it change its bytes and the seal no longer holds,
// without the numeric paths doing anything (the value stays owned by the seal's copy).
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

// The mark of the stack word at `at`, and the copy of the stack byte at `at`. Both are reached
// from the address itself (the block is 4-byte aligned), which keeps the checks short.
inline uint8_t* VM_MarkOf(const VMContext* context, const uint8_t* at) {
  return reinterpret_cast<uint8_t*>(context->markBias + reinterpret_cast<uintptr_t>(at) / 4);
}
inline uint8_t* VM_CopyOf(const VMContext* context, const uint8_t* at) {
  return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(at) + context->copyBias);
}

// Points the seals of a context whose stack block is in place into `storage` (VM_SealStorageSize
// bytes); no slot is sealed.
// A storage whose marks are known to be clear (kept from an earlier run) is not cleared again.
inline void VM_AttachSeals(VMContext* context, uint8_t* storage, bool clear = true) {
  const size_t markBytes = static_cast<size_t>(context->stackSize / 4 + 2 * kVMSealMargin);
  if (clear) std::memset(storage, 0, markBytes);
  const uintptr_t block = reinterpret_cast<uintptr_t>(context->stackBlock);
  context->sealStorage = storage;
  context->markBias = reinterpret_cast<uintptr_t>(storage + kVMSealMargin) - block / 4;
  context->copyBias = reinterpret_cast<uintptr_t>(storage + markBytes) - block;
  context->sealLow = context->stackBlock + context->stackSize;
}

// Releases the value of a sealed slot whose bytes can no longer be trusted (stored code wrote over
// them, a new seal overlaps them, an exchange cuts them apart): the slot still owned it, and its
// copy still holds it. Breaks the seal.
void VM_ReleaseOrphan(VMContext* context, const uint8_t* slot);
// Releases the values of the seals that a new seal at `slot` replaces or overlaps. Only code that
// lays slots across each other, or pushes over a slot it never took, gets here (and the in-place
// numeric forms, whose old value holds nothing to release).
void VM_ReleaseOverlappedSeals(VMContext* context, const uint8_t* slot);

// Seals the variable slot the interpreter has just written at `slot`: the seals it replaces or
// overlaps (its own, the three words on each side) give up their values, their marks are cleared
// (two overlapping 4-byte stores), the slot's own is set. (The context's fields are read before the stores, which could
// otherwise alias them.)
inline void VM_Seal(VMContext* context, const uint8_t* slot) {
  static constexpr uint8_t kBelow[4] = {0, 0, 0, 0};
  static constexpr uint8_t kFrom[4] = {1, 0, 0, 0};
  uint8_t* const mark = VM_MarkOf(context, slot);
  uint8_t* const copy = VM_CopyOf(context, slot);
  if (slot < context->sealLow) context->sealLow = slot;
  // The marks from four words below to three above, little-endian: the fourth below is not
  // overlapped.
  uint64_t near;
  std::memcpy(&near, mark - 4, 8);
  if ((near & 0xFFFFFFFFFFFFFF00ull) != 0) VM_ReleaseOverlappedSeals(context, slot);
  uint64_t bytes[2];
  std::memcpy(bytes, slot, 16);
  std::memcpy(mark - 3, kBelow, 4);
  std::memcpy(mark, kFrom, 4);
  std::memcpy(copy, bytes, 16);
}

// True when `slot` holds a variable the interpreter made and still owns there.
inline bool VM_IsSealed(const VMContext* context, const uint8_t* slot) {
  const uint8_t* const copy = VM_CopyOf(context, slot);
  if (*VM_MarkOf(context, slot) == 0) return false;
  uint64_t held[2];
  uint64_t copied[2];
  std::memcpy(held, slot, 16);
  std::memcpy(copied, copy, 16);
  return ((held[0] ^ copied[0]) | (held[1] ^ copied[1])) == 0;
}

// True when any of the `size` bytes at `slot` belong to a variable the interpreter still owns on
// the stack. Read as a number they would be part of a pointer or of the value's flags: what code
// computed from them would hang on where the value happened to be allocated.
inline bool VM_InsideSealedSlot(const VMContext* context, const uint8_t* slot, int32_t size) {
  const uint8_t* const mark = VM_MarkOf(context, slot);
  for (int32_t word = -3; word * 4 < size; ++word) {
    if (mark[word] != 0 && VM_IsSealed(context, slot + 4 * word)) return true;
  }
  return false;
}

// The value of a sealed slot moves out or is released: the slot no longer owns it.
inline void VM_BreakSeal(VMContext* context, const uint8_t* slot) { *VM_MarkOf(context, slot) = 0; }

// Breaks the seal of a sealed slot; false (nothing changed) when the slot holds no variable.
inline bool VM_TakeSealed(VMContext* context, const uint8_t* slot) {
  uint8_t* const mark = VM_MarkOf(context, slot);
  const uint8_t* const copy = VM_CopyOf(context, slot);
  if (*mark == 0) return false;
  uint64_t held[2];
  uint64_t copied[2];
  std::memcpy(held, slot, 16);
  std::memcpy(copied, copy, 16);
  if (((held[0] ^ copied[0]) | (held[1] ^ copied[1])) != 0) return false;
  *mark = 0;
  return true;
}

// Exchanges two adjacent runs of slots as bytes, [first][second] at `at` becoming
// [second][first], and their seals with them; seals that the exchange cuts apart give up their
// values.
void VM_RotateSlots(VMContext* context, uint8_t* at, int32_t first, int32_t second);
