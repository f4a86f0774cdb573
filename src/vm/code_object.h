// Code objects: every piece of game code the runner can run (an object event, a room's or an
// instance's creation code, a script, a timeline moment). A game translated to native functions
// gives each code object the entry of the link record's function table at its code index; a game
// delivered as byte code gives it a buffer over its entry of the CODE chunk.
//
// Code objects with an index of 0 or more are kept on one list, newest first, for the profiler.
#pragma once

#include <cstdint>
#include <vector>

#include "core/value.h"

class CInstance;
struct LinkFunction;

// A stretch of instruction words (or of a line table). Buffers made over the container or the
// debug data do not own their words; only an owned buffer deletes them.
struct VMFastCodeSet;

struct VMBuffer {
  VMBuffer() = default;
  virtual ~VMBuffer();
  VMBuffer(const VMBuffer&) = delete;
  VMBuffer& operator=(const VMBuffer&) = delete;

  int32_t length = 0;     // bytes
  int32_t locals = 0;     // the code entry's locals count
  int32_t arguments = 0;  // the code entry's argument count
  uint8_t* code = nullptr;
  bool owned = false;     // the words are a memory-manager block of this buffer

  // Which byte positions start an instruction: made by the interpreter the first time a branch
  // in this code is checked, for the words and length in `startsOf` and `startsLength` (a buffer
  // whose words are replaced gets a new table).
  std::vector<bool> starts;
  const uint8_t* startsOf = nullptr;
  int32_t startsLength = 0;

  // The fast loop's translations of this code (vm/fast_loop.h), made on first run.
  VMFastCodeSet* fastCodes = nullptr;
};

inline constexpr int32_t kCodeKindNone = 0;
inline constexpr int32_t kCodeKindRun = 1;
inline constexpr int32_t kCodeKindRunVariant = 2;  // made with the variant flag 1
inline constexpr int32_t kCodeKindConstant = 3;    // `value` is the result

struct CCode {
  CCode(int32_t index, int32_t variant);
  virtual ~CCode();
  CCode(const CCode&) = delete;
  CCode& operator=(const CCode&) = delete;

  CCode* next = nullptr;
  int32_t kind = kCodeKindRun;
  uint8_t flag = 1;
  const char* text = nullptr;     // source text; "" in compiled mode or without a code entry
  RValue value;                   // kind 3's constant, else the real 0
  VMBuffer* code = nullptr;       // byte code; null in compiled mode or without an entry
  VMBuffer* lineTable = nullptr;  // debug line table; null without debug data
  const char* textCopy = nullptr;
  const char* name = nullptr;
  int32_t index = -1;
  const LinkFunction* native = nullptr;  // compiled mode: the function-table entry of `index`
  uint8_t unlinked = 0;           // set: the destructor leaves the code list alone
  int32_t codeOffset = 0;         // start inside a shared block (new-format entries)
  int32_t localsCount = 0;
  int32_t argumentCount = 0;
};

// A translated object event or creation code.
using NativeEventFunction = void (*)(CInstance* self, CInstance* other);
// A translated script: returns `result`.
using NativeScriptFunction = RValue* (*)(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                         RValue** args);

// The code list, newest first, and its count.
extern CCode* g_pFirstCode;
extern int32_t g_TotalCodeBlocks;

// Appends a slot and returns its number: a new code object when the game has code (or is compiled)
// and the index is not -1, else an empty slot. In compiled mode an index outside the link
// record's function table is refused: the load fails with a message naming it, and the slot stays
// empty.
int32_t Code_Add(int32_t index, int32_t variant);
// The slot's code object; null for a number outside the slots.
CCode* Code_GetByIndex(int32_t slot);
int32_t Code_SlotCount();

// Runs the code object with the self and other instances; the result takes a constant's value
// (and whatever byte code leaves in it). True.
bool Code_Execute(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags);
// As Code_Execute; a failed run is reported as a non-fatal error.
bool Code_ExecuteReport(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags);
// As Code_Execute; a failed run leaves "ERROR" in the result.
bool Code_ExecuteScript(CInstance* self, CInstance* other, CCode* code, RValue* result, int32_t scopeFlags);
// As Code_ExecuteScript, with argc arguments (borrowed: the run takes no references) that byte
// code sees as its call's arguments.
bool Code_ExecuteScriptWithArguments(CInstance* self, CInstance* other, CCode* code, RValue* result,
                                     int32_t scopeFlags, int32_t argc, RValue* args);

// Frees the slot array (the code objects belong to their owners). Teardown.
void Code_FreeSlots();
