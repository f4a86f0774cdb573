// The instruction handlers of the interpreter's dispatch table, by the file that holds them:
// arithmetic and logic in ops_arith.cpp, comparison and conversion in ops_compare.cpp; constant
// and variable pushes, pops, dup and popz in ops_stack.cpp; with-blocks in ops_with.cpp; calls in
// ops_call.cpp; branches, returns, exit and break in interpreter.cpp.
//
// A handler takes the instruction word, the stack pointer, the first operand word and the
// context, and returns the new stack pointer.
#pragma once

#include <cstdint>

struct VMContext;

// Reports an instruction this interpreter does not run and ends the run.
uint8_t* VM_NotImplemented(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// ops_arith.cpp
uint8_t* DoMul(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoDiv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoRem(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoMod(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoAdd(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoSub(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoAnd(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoOr(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoXor(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoNeg(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoNot(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoShl(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoShr(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// ops_compare.cpp
uint8_t* DoSet(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoConv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// ops_stack.cpp
uint8_t* Push(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPushI(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPopNull(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPushLocal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPushGlobal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPushBuiltin(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPop(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoDup(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// ops_with.cpp
uint8_t* DoPushEnv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoPopEnv(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// ops_call.cpp
uint8_t* DoCall(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
