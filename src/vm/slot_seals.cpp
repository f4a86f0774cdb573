#include "vm/slot_seals.h"

#include <algorithm>

#include "core/value.h"

void VM_ReleaseOrphan(VMContext* context, const uint8_t* slot) {
  *VM_MarkOf(context, slot) = 0;
  RValue value;
  std::memcpy(&value, VM_CopyOf(context, slot), sizeof value);
  // An array the slot owned names the slot, whose bytes are no longer the value's.
  if (RValue_Kind(&value) == VALUE_ARRAY && value.pArray != nullptr &&
      value.pArray->owner == reinterpret_cast<const RValue*>(slot)) {
    value.pArray->owner = nullptr;
  }
  RValue_Release(&value);
}

void VM_ReleaseOverlappedSeals(VMContext* context, const uint8_t* slot) {
  for (int32_t word = -3; word <= 3; ++word) {
    const uint8_t* other = slot + 4 * word;
    if (*VM_MarkOf(context, other) != 0) VM_ReleaseOrphan(context, other);
  }
}

void VM_RotateSlots(VMContext* context, uint8_t* at, int32_t first, int32_t second) {
  const int32_t total = first + second;
  uint8_t* marks = VM_MarkOf(context, at);
  uint8_t* copies = VM_CopyOf(context, at);
  // A seal whose slot reaches into the run from below, or does not lie whole inside its own
  // piece, would name bytes that no longer belong together.
  for (int32_t word = -3; word < 0; ++word) {
    if (marks[word] != 0) VM_ReleaseOrphan(context, at + 4 * word);
  }
  for (int32_t word = 0; word < total / 4; ++word) {
    const int32_t start = 4 * word;
    if (marks[word] != 0 && start + 16 > (start < first ? first : total)) VM_ReleaseOrphan(context, at + start);
  }
  std::rotate(at, at + first, at + total);
  std::rotate(copies, copies + first, copies + total);
  std::rotate(marks, marks + first / 4, marks + total / 4);
}
