// The interpreter's context of one run of byte code. Contexts chain child to parent while code
// started from code runs.
#pragma once

#include <cstdint>

class WXObjectBase;
class CInstance;
struct VMBuffer;
struct VMCallFrame;

struct VMContext {
  VMContext* child;          // the context started from this one while it runs
  VMContext* parent;         // the context that was current when this one started
  uint8_t* stackBlock;       // the value-stack block
  int32_t localsGiven;       // 1: the current call's locals object belongs to the caller
  WXObjectBase* locals;      // locals object of the current call
  CInstance* self;
  CInstance* other;
  const uint8_t* codeBase;   // first byte of the current code buffer
  VMCallFrame* frame;        // frame of the current call
  VMBuffer* codeBuffer;
  const char* name;          // name of the current code, for errors and traces
  VMBuffer* debugInfo;       // position-to-source table, may be null
  const char* sourceText;    // may be null
  int32_t stackSize;         // bytes in the stack block
  int32_t pc;                // byte position of the next instruction
  int32_t depth;             // script calls made in this context and not yet returned
  int32_t codeSize;          // byte length of the current code buffer
  int32_t current;           // byte position of the instruction being executed
  // Type code of the `ret` that ended the code at depth 0 (-1: none did); the final result is
  // read as a slot of this type, so nothing of another kind is ever taken for a value.
  int32_t resultType;
  int32_t nesting;           // contexts below this one (0 for the outermost)
  int32_t failed;            // a runtime error stopped the code
  // Seals of the variable slots on the stack (vm/slot_seals.h): a mark per 4-byte word of the
  // block and a copy area of the block's size, both laid out as the block is.
  uint8_t* sealStorage;
  uintptr_t markBias;     // the mark of the word at address a is at markBias + a / 4
  uintptr_t copyBias;     // the copy of the byte at address a is at a + copyBias
  const uint8_t* sealLow;  // the lowest slot sealed so far (the block's end: none)
};
