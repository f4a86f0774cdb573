#include "vm/opcodes.h"

// The arithmetic, logic, comparison and conversion instructions are not run yet.
uint8_t* DoMul(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoDiv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoRem(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoMod(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoAdd(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoSub(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoAnd(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoOr(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoXor(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoNeg(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoNot(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoShl(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoShr(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoSet(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoConv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
