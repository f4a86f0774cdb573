// The fast loop: byte code translated once into pre-decoded operations and run by direct
// threading.
//
// Translation verifies what the checked loop's seals and bounds tests find out at run time: the
// kind of every stack slot along every path, branch targets on instruction starts, operands in
// range, the stack's greatest depth. Code that verifies runs here without seals and without
// per-instruction checks; code that does not keeps the checked loop (interpreter.cpp), which stays
// the reference for every result and every error. Uncommon cases of verified code (object mode,
// counted kinds, indexed variables, type errors) run the checked loop's own handlers, with the
// operands sealed for them.
#pragma once

#include <cstdint>

#include "vm/vm_context.h"

struct RValue;
class CCode;
struct VMBuffer;
struct VMFastCode;

// Off when the environment variable TOLVARINE_CHECKED_LOOP is set to anything but "0" at start,
// or when a test turns it off; the checked loop then runs everything.
bool VM_FastLoopEnabled();
void VM_SetFastLoopEnabled(bool enabled);

// The translation of the code that starts at `entry` in the buffer; null when the code does not
// verify (or the fast loop is off). Made on the first request and kept with the buffer.
VMFastCode* VM_FastCodeFor(VMBuffer* buffer, int32_t entry);
// Whether the translated code reads or writes the locals object of its call (the checked loop's
// handlers included): code that does not runs without one.
bool VM_FastCodeUsesLocals(const VMFastCode* code);
// Frees the translations kept with a buffer (its destructor calls this).
void VM_FreeFastCodes(VMBuffer* buffer);
// Translations resolve callees and string records: anything that changes what those resolve to
// (another script lookup, another string table) makes them stale.
void VM_InvalidateFastCodes();
// Frees the stale translations; only while no byte code runs.
void VM_FreeRetiredFastCodes();

// How a run of the fast loop ended.
enum class VMFastExit {
  kFinished,  // the code ran to its end: results taken, stack released
  kChecked,   // the rest of the run belongs to the checked loop (its slots are sealed for it)
};
// Runs the context (at its start, with sp at its frame) until the end, or until it hands over.
VMFastExit VM_InterpretFast(VMContext* context, VMFastCode* code, uint8_t** sp, RValue* result);
