// The byte-code interpreter: running a code object, the loop, the per-call frames in the value
// stack and its growth, and the control-flow instructions.
//
// Stored code is not trusted: a branch outside the code or into the middle of an instruction, an
// operand past the end, a variable slot the interpreter did not make (vm/slot_seals.h), and
// anything an instruction cannot do are runtime errors (VM_Error), never a crash.
#pragma once

#include <cstdint>

#include "vm/vm_context.h"

struct RValue;
struct SharedString;
class CCode;
class CInstance;
class WXObjectBase;

// Built directly below a call's arguments in the value stack. Positions are distances from the
// end of the stack block, so they stay valid when the block grows. Stack slots are 4-byte
// aligned only (int, bool and string slots are 4 bytes), hence the packing.
struct __attribute__((packed, aligned(4))) VMCallFrame {
  int32_t returnPc;
  int32_t callerArgumentCount;
  int32_t callerFramePosition;  // -1 in the bottom frame
  int32_t localsGiven;
  CInstance* self;
  CInstance* other;
  WXObjectBase* argumentsObject;
  VMBuffer* codeBuffer;  // null in the bottom frame
  VMBuffer* debugInfo;
  const char* sourceText;
  const char* name;
  void* tryList;
  WXObjectBase* locals;
  int32_t callerArgumentsPosition;
  int32_t pad[5];
};
static_assert(sizeof(VMCallFrame) % 16 == 0, "a frame spans whole value slots");

inline constexpr int32_t kVMStackBlockSize = 16384;
inline constexpr int32_t kVMStackHeadroom = 1024;  // the stack grows when less than this is left
// A run's value stack grows to at most this many bytes by default (room for some 70,000 nested
// script calls); code that would take more is stopped as a stack overflow ("Stack overflow..."
// with the code's name, and the run ends as at the end of its code). A recursion without end
// reaches it within a fraction of a second, as the stack grows by doubling.
inline constexpr int32_t kVMDefaultStackLimit = 8 << 20;
// The limit for the runs that start from now on (0: the default); tests and the fuzzer lower it.
void VM_SetStackLimit(int32_t bytes);
// Byte code run from a built-in that byte code called nests one native frame per level; beyond
// this many nested contexts a run stops as a runaway recursion.
inline constexpr int32_t kVMMaxNestedContexts = 200;

using VMHandler = uint8_t* (*)(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// Runs a code object's byte code to its end. Flags bit 0: self heads the scope chain for the run.
// The result (when given) receives the value the code returned with `ret`; it is left alone when
// the code ends otherwise.
void VM_ExecuteCode(CCode* code, CInstance* self, CInstance* other, RValue* result, WXObjectBase* locals,
                    int32_t argumentCount, RValue* arguments, uint32_t flags, WXObjectBase* argumentsObject);
void VM_Interpret(VMContext* context, RValue* result);
// The loop while a debugger is attached: the debugger's tick every 20,000 instructions (when
// half a second has passed since its last one), its step requests and pending pause. The locals
// object the context made is freed at the end only when `freeLocals` is set.
void VM_InterpretDebug(VMContext* context, RValue* result, bool freeLocals);

inline constexpr uint32_t kVMDebugTickInstructions = 20000;
inline constexpr int64_t kVMDebugTickMicroseconds = 500000;
inline constexpr int32_t kVMStepInto = 0;
inline constexpr int32_t kVMStepOver = 1;
inline constexpr int32_t kVMStepOut = 2;
// A step the debugger asked for (mode -1: none), with where it began.
struct VMStepRequest {
  int32_t mode = -1;
  const char* text = nullptr;  // source text of the code the step began in
  int32_t line = -1;
  int32_t depth = 0;
};
extern VMStepRequest g_VMStep;
extern bool g_VMPendingPause;     // stop before the next instruction
extern int64_t g_VMDebugLastTick;  // the debugger's last tick (Timing_GetTime)
uint32_t VM_DebugInstructionCount();
// Runs every VM_ExecuteCode in the debugger loop even without a debugger connected (tests, and a
// debugger that attaches by other means).
void VM_SetDebugLoop(bool on);
// What runs as the debugger's tick (null: the debugger's own).
void VM_SetDebugTickHook(void (*tick)());
uint8_t* VM_ReturnFromCall(VMContext* context, uint8_t* sp);
uint8_t* VM_GrowStack(uint8_t* sp, VMContext* context);
// Enters called byte code: builds the frame below the `argumentCount` variable slots at sp and
// switches the context to the callee, with the given locals object (null: a new one of the
// callee's locals count, freed on return). Returns the new stack pointer.
uint8_t* VM_EnterCall(VMContext* context, uint8_t* sp, CCode* callee, int32_t argumentCount, WXObjectBase* locals,
                      WXObjectBase* argumentsObject);
// A call of script `scriptIndex`, whose code object is `code`, from byte code: the
// `argumentCount` argument slots at `arguments` become the callee's arguments. A null code object
// is the runtime error "call to non-existent script"; a code object without byte code leaves the
// real 0 in place of the arguments. Returns the new stack pointer.
uint8_t* DoCallScript(int32_t scriptIndex, CCode* code, int32_t argumentCount, uint8_t* arguments,
                      VMContext* context, WXObjectBase* locals, WXObjectBase* argumentsObject);

// Reports a runtime error of the running code (VM_Error) and, when the game goes on, stops the
// code: its calls are unwound and the run ends without a result. Handlers fail through this.
void VM_Fail(VMContext* context, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Reads one slot into a value and returns the next slot; a string slot's reference moves into the
// value.
uint8_t* VM_SlotToValue(RValue* out, uint32_t type, uint8_t* slot);

// The handler of each of the 32 opcode indices.
VMHandler VM_GetHandler(uint32_t index);

uint8_t* DoBranch(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoBranchTrue(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoBranchFalse(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoRet(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoExit(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);
uint8_t* DoBreak(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context);

// --- global interpreter state ----------------------------------------------------------------

VMContext* VM_CurrentContext();
// The argument count and list of the current call (the list may sit at any 4-byte boundary of
// the value stack: read it with memcpy).
int32_t VM_ArgumentCount();
RValue* VM_Arguments();
void VM_SetArguments(int32_t count, RValue* arguments);
uint32_t VM_BranchCount();
void VM_SetBranchCount(uint32_t count);

// String slots are 4 bytes, as stored code counts them: a slot holds a handle into a table of
// string records (0: the null string). A new handle owns one reference of the record.
uint32_t VM_StringHandleNew(SharedString* record);
SharedString* VM_StringHandleGet(uint32_t handle);
// Frees the handle and hands its reference to the caller.
SharedString* VM_StringHandleTake(uint32_t handle);
int32_t VM_StringHandleCount();  // handles in use

// Where `call` finds the code object of script n (callable id 100000 + n; null when there is
// none): the script table, unless a test installs its own (null restores the table).
using VMScriptCodeLookup = CCode* (*)(int32_t scriptIndex);
void VM_SetScriptCodeLookup(VMScriptCodeLookup lookup);
// Frees the stack blocks kept for the nesting levels (at shutdown; a later run makes new ones).
void VM_FreeStacks();
