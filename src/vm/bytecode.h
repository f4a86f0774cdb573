// The byte-code instruction word and its type codes.
//
// A word is little-endian: bits 24-31 the opcode byte (low 5 bits pick the handler, 0x40 an
// operand follows, 0x20 branch form, 0x80 single-type form), bits 20-23 the second type code,
// 16-19 the first, 8-15 a sub-kind, 0-15 a signed immediate; branch forms hold a signed 23-bit
// word offset in bits 0-22 relative to the branch itself.
#pragma once

#include <cstdint>

enum VMType : uint32_t {
  VMT_DOUBLE = 0,
  VMT_FLOAT = 1,
  VMT_INT = 2,
  VMT_LONG = 3,
  VMT_BOOL = 4,
  VMT_VARIABLE = 5,
  VMT_STRING = 6,
  VMT_DEBUG_STRING = 7,
  VMT_ERROR = 15,  // no value
};

// Handler indices (the opcode byte's low 5 bits).
enum VMOpIndex : uint32_t {
  VMOP_PUSH = 0, VMOP_PUSHLOC, VMOP_PUSHGLB, VMOP_PUSHBLTN, VMOP_PUSHI, VMOP_POP, VMOP_DUP,
  VMOP_CONV, VMOP_MUL, VMOP_DIV, VMOP_REM, VMOP_MOD, VMOP_ADD, VMOP_SUB, VMOP_AND, VMOP_OR,
  VMOP_XOR, VMOP_NEG, VMOP_NOT, VMOP_SHL, VMOP_SHR, VMOP_SET, VMOP_B, VMOP_BT, VMOP_BF,
  VMOP_CALL, VMOP_PUSHENV, VMOP_POPENV, VMOP_RET, VMOP_EXIT, VMOP_POPZ, VMOP_BREAK,
};

inline constexpr uint32_t kVMOperandBit = 0x40;   // in the opcode byte
inline constexpr uint32_t kVMBranchBit = 0x20;
inline constexpr uint32_t kVMSingleTypeBit = 0x80;
inline constexpr uint32_t kVMBreakWords = 0xFF000000u;  // this word and above are breaks

inline constexpr uint32_t VM_Opcode(uint32_t word) { return word >> 24; }
inline constexpr uint32_t VM_Handler(uint32_t word) { return (word >> 24) & 0x1F; }
inline constexpr uint32_t VM_Type1(uint32_t word) { return (word >> 16) & 0xF; }
inline constexpr uint32_t VM_Type2(uint32_t word) { return (word >> 20) & 0xF; }
inline constexpr uint32_t VM_SubKind(uint32_t word) { return (word >> 8) & 0xFF; }
inline constexpr int32_t VM_Immediate(uint32_t word) { return static_cast<int16_t>(word & 0xFFFF); }
// Signed 23-bit word offset of a branch form.
inline constexpr int32_t VM_BranchOffset(uint32_t word) {
  return static_cast<int32_t>((word & 0x7FFFFFu) << 9) >> 9;
}

// Operand size of the low 4 bits of a type code.
inline constexpr int32_t VM_OperandSize(uint32_t type) {
  constexpr int32_t kSizes[16] = {8, 4, 4, 8, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0};
  return kSizes[type & 0xF];
}
// Stack slot size of a type code: a string slot (.s and .ds) is a 4-byte handle; the codes
// without a value (8 to 15) have no slot.
inline constexpr int32_t VM_StackSlotSize(uint32_t type) {
  constexpr int32_t kSizes[8] = {8, 4, 4, 8, 4, 16, 4, 4};
  return type <= 7 ? kSizes[type] : 0;
}
// Whether the instruction holds an operand word: the operand bit with a type whose operand has
// bytes. With the bit and a type of no value (8-15) the instruction is one word long, and what
// follows it is the next instruction (or the end of the code), not an operand to read.
inline constexpr bool VM_HasOperandWord(uint32_t word) {
  return (word & 0x40000000u) != 0 && VM_OperandSize(VM_Type1(word)) >= 4;
}
// Length in bytes of the instruction that starts with this word.
inline constexpr int32_t VM_InstructionLength(uint32_t word) {
  return 4 + ((word & 0x40000000u) != 0 ? VM_OperandSize(VM_Type1(word)) : 0);
}
