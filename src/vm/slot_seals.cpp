#include "vm/slot_seals.h"

#include <algorithm>

void VM_RotateSlots(VMContext* context, uint8_t* at, int32_t first, int32_t second) {
  const int32_t total = first + second;
  uint8_t* marks = VM_MarkOf(context, at);
  uint8_t* copies = VM_CopyOf(context, at);
  // A seal whose slot reaches into the run from below, or does not lie whole inside its own
  // piece, would name bytes that no longer belong together.
  marks[-3] = marks[-2] = marks[-1] = 0;
  for (int32_t word = 0; word < total / 4; ++word) {
    const int32_t start = 4 * word;
    if (start + 16 > (start < first ? first : total)) marks[word] = 0;
  }
  std::rotate(at, at + first, at + total);
  std::rotate(copies, copies + first, copies + total);
  std::rotate(marks, marks + first / 4, marks + total / 4);
}
