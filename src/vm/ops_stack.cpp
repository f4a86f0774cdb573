#include "vm/opcodes.h"

// The variable, stack and with-block instructions are not run yet.
uint8_t* DoPushLocal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoPushGlobal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoPushBuiltin(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoPop(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoDup(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoPushEnv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
uint8_t* DoPopEnv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return VM_NotImplemented(word, sp, operand, context);
}
