#include "vm/interpreter.h"
#include "vm/opcodes.h"
#include "vm/lifecycle.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "vm/script_table.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "runtime/runner_options.h"
#include "runtime/frame_timing.h"
#include "runtime/host_state.h"
#include "io/program.h"
#include "runtime/debug_services.h"
#include "runtime/connectivity.h"
#include "platform/window/message_box.h"
#include "script/wx_object.h"
#include "vm/breakpoints.h"
#include "vm/calls.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/code_listing.h"
#include "vm/code_object.h"
#include "vm/fast_loop.h"
#include "vm/variable_access.h"
#include "vm/scope_chain.h"
#include "vm/vm_internal.h"

namespace vm_state {
VMContext* current = nullptr;
int32_t argumentCount = 0;
RValue* arguments = nullptr;
uint32_t branchCount = 0;
size_t withFrames = 0;
}  // namespace vm_state

namespace {

using vm_state::current;
VMContext*& g_current = vm_state::current;
int32_t& g_argumentCount = vm_state::argumentCount;
RValue*& g_arguments = vm_state::arguments;
uint32_t& g_branchCount = vm_state::branchCount;
int32_t g_nesting = 0;
int32_t g_stackLimit = kVMDefaultStackLimit;
CCode* ScriptTableCode(int32_t scriptIndex) {
  const CScript* script = Script_Data(scriptIndex);
  return script != nullptr ? script->GetCode() : nullptr;
}

VMScriptCodeLookup g_scriptLookup = &ScriptTableCode;

// Handle 0 is the null string; freed handles are reused. Each handle remembers the nesting level
// of the run that made it: string slots live only on that run's stack, so what is still held when
// the run ends (left over, or stopped over by a runtime error) is released then.
std::vector<SharedString*> g_strings(1, nullptr);
std::vector<int32_t> g_handleLevels(1, 0);
std::vector<uint32_t> g_freeHandles;
std::vector<int32_t> g_liveAtLevel(1, 0);

// The stack block and seal storage of each nesting level, kept from one run to the next. The
// marks of a kept block are all clear.
struct StackLevel {
  uint8_t* block = nullptr;
  int32_t size = 0;
  uint8_t* seals = nullptr;
};
// Given back at exit, where no shutdown ran (tools, tests).
struct StackLevels : std::vector<StackLevel> {
  ~StackLevels() { VM_FreeStacks(); }
};
StackLevels g_levels;
// A level keeps the stack of its last run up to this size.
constexpr int32_t kKeptStackBytes = 1 << 20;



// The word of the instruction at a position as it was stored (a breakpoint's break word is seen
// through).
uint32_t StoredWord(const uint8_t* at) {
  uint32_t saved;
  if (Breakpoint_Find(at, &saved)) return saved;
  return VM_ReadWord(at);
}

bool IsInstructionStart(const VMContext* context, int32_t target) {
  return VM_IsInstructionStart(context->codeBuffer, context->codeBase, context->codeSize, target);
}


}  // namespace

// The table lives with the code buffer, so code that runs every frame scans its words once.
// Loaded code does not change while the game runs; an armed breakpoint is read through the word
// it replaced.
bool VM_IsInstructionStart(VMBuffer* buffer, const uint8_t* base, int32_t size, int32_t target) {
  if (buffer->startsOf != base || buffer->startsLength != size) {
    buffer->starts.assign(static_cast<size_t>(size), false);
    for (int32_t at = 0; at + 4 <= size;) {
      buffer->starts[static_cast<size_t>(at)] = true;
      at += VM_InstructionLength(StoredWord(base + at));
    }
    buffer->startsOf = base;
    buffer->startsLength = size;
  }
  return buffer->starts[static_cast<size_t>(target)];
}

namespace {
void ReportStackOverflow(const char* name) {
  const char* text = name != nullptr ? name : "";
  if (g_IsHeadless) {
    Console_DebugOutput("Stack overflow... %s\n", text);
  } else {
    MessageBox_ShowFatal("Stack overflow...", text);
  }
}

void RunChecked(VMContext* context, RValue* result, uint8_t* sp);
void TakeResult(VMContext* context, RValue* result, uint8_t* sp);
void FinishRun(VMContext* context, bool freeLocals);
uint8_t* Dispatch(VMContext* context, uint8_t* sp);

// Holds the game at the instruction at pc (the saved words back in place), then runs it.
uint8_t* PauseAndRun(VMContext* context, uint8_t* sp) {
  Breakpoint_DisarmAll();
  Breakpoint_Pause();
  g_current = context;
  sp = Dispatch(context, sp);
  Breakpoint_ArmAll();
  return sp;
}

// Releases the string handles the runs of a nesting level (and deeper) still hold.
void ReleaseLevelHandles(size_t level) {
  bool any = false;
  for (size_t l = level; l < g_liveAtLevel.size(); ++l) any = any || g_liveAtLevel[l] != 0;
  if (!any) return;
  for (uint32_t handle = 1; handle < g_strings.size(); ++handle) {
    if (g_strings[handle] != nullptr && static_cast<size_t>(g_handleLevels[handle]) >= level) {
      SharedString_Unref(VM_StringHandleTake(handle));
    }
  }
}

const VMHandler kHandlers[32] = {
    Push,   DoPushLocal, DoPushGlobal, DoPushBuiltin,  // push, push.l, push.g, push.b
    DoPushI, DoPop,      DoDup,        DoConv,         // push.i, pop, dup, conv
    DoMul,  DoDiv,       DoRem,        DoMod,          // mul, div, rem, mod
    DoAdd,  DoSub,       DoAnd,        DoOr,           // add, sub, and, or
    DoXor,  DoNeg,       DoNot,        DoShl,          // xor, neg, not, shl
    DoShr,  DoSet,       DoBranch,     DoBranchTrue,   // shr, set, b, bt
    DoBranchFalse, DoCall, DoPushEnv,  DoPopEnv,       // bf, call, pushenv, popenv
    DoRet,          DoExit,         DoPopNull,      DoPopNull,       // ret, exit, popz, break
};

// Runs one instruction's handler; the shared step of the loop and of a breakpoint.
uint8_t* Dispatch(VMContext* context, uint8_t* sp) {
  const int32_t at = context->pc;
  if (at < 0 || at % 4 != 0 || at + 4 > context->codeSize) {
    VM_Fail(context, "Code position %d lies outside the code", at);
    return sp;
  }
  const uint32_t word = VM_ReadWord(context->codeBase + at);
  const int32_t length = VM_InstructionLength(word);
  if (length > context->codeSize - at) {
    VM_Fail(context, "The operand at %d runs past the end of the code", at);
    return sp;
  }
  context->current = at;
  context->pc = at + length;
  sp = kHandlers[VM_Handler(word)](word, sp, context->codeBase + at + 4, context);
  g_current = context;
  return VM_GrowStack(sp, context);
}

}  // namespace

void VM_Fail(VMContext* context, const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  const int32_t depth = context->depth;
  VM_Error(context, "%s", message);
  // Reached only when the game goes on (a watch evaluation, a game launched by another): the
  // code stops here, and its calls are unwound so that what they hold is released.
  context->depth = depth;
  context->failed = 1;
  context->pc = context->codeSize;
}

void VM_ReleaseSealedBetween(VMContext* context, uint8_t* from, const uint8_t* to) {
  if (from < context->sealLow) from = const_cast<uint8_t*>(context->sealLow);
  for (uint8_t* slot = from; slot + 16 <= to; slot += 4) {
    if (*VM_MarkOf(context, slot) == 0) continue;
    if (VM_TakeSealed(context, slot)) {
      VM_ReleaseValueAt(slot);
    } else {
      VM_ReleaseOrphan(context, slot);  // stored code wrote over it
    }
  }
}

// --- handlers ---------------------------------------------------------------------------------

void VM_Branch(uint32_t word, VMContext* context) {
  const int64_t target = static_cast<int64_t>(context->current) + 4 * static_cast<int64_t>(VM_BranchOffset(word));
  if (target < 0 || target > context->codeSize) {
    VM_Fail(context, "Branch target %lld lies outside the code", static_cast<long long>(target));
  } else if (target < context->codeSize && !IsInstructionStart(context, static_cast<int32_t>(target))) {
    VM_Fail(context, "Branch target %lld lies inside an instruction", static_cast<long long>(target));
  } else {
    context->pc = static_cast<int32_t>(target);
  }
}

namespace {
uint8_t* TakeBranch(uint32_t word, uint8_t* sp, VMContext* context) {
  VM_Branch(word, context);
  return sp;
}

// Pops the 4-byte condition slot; false (with the code stopped) when there is none.
bool PopCondition(uint8_t** sp, VMContext* context, int32_t* value) {
  if (!VM_StackHolds(context, *sp, 4)) {
    VM_Fail(context, "Conditional branch without a value on the stack");
    return false;
  }
  if (VM_InsideSealedSlot(context, *sp, 4)) {
    VM_Fail(context, "Conditional branch on a value that is no condition");
    return false;
  }
  std::memcpy(value, *sp, 4);
  *sp += 4;
  return true;
}
}  // namespace

// Rarely run: out of line, so that the branch handlers stay small.
[[gnu::noinline, gnu::cold]] bool VM_PumpStopsRun(VMContext* context) {
  Win32_PumpMessages();
  // Code that never returns would keep the frame loop from ever seeing the quit request: the run
  // ends here, its calls unwound, and the loop ends the game. Teardown's code runs whole.
  if (context->failed == 0 && g_Host.quitStopsCode && Win32_QuitSignalled()) {
    context->failed = 1;
    context->pc = context->codeSize;
  }
  return context->failed != 0;
}

uint8_t* DoBranch(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  if (VM_CountBranch(context)) return sp;
  return TakeBranch(word, sp, context);
}

uint8_t* DoBranchTrue(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  if (VM_CountBranch(context)) return sp;
  int32_t value;
  if (!PopCondition(&sp, context, &value)) return sp;
  return value != 0 ? TakeBranch(word, sp, context) : sp;
}

uint8_t* DoBranchFalse(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  if (VM_CountBranch(context)) return sp;
  int32_t value;
  if (!PopCondition(&sp, context, &value)) return sp;
  return value == 0 ? TakeBranch(word, sp, context) : sp;
}

uint8_t* DoRet(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t type = VM_Type1(word);
  const int32_t size = type == VMT_ERROR ? 0 : VM_StackSlotSize(type);
  if (!VM_StackHolds(context, sp, size)) {
    VM_Fail(context, "ret: no value of the returned type on the stack");
    return sp;
  }
  if (type == VMT_VARIABLE && !VM_IsSealed(context, sp)) {
    VM_Fail(context, "ret: the stack holds no variable here");
    return sp;
  }
  if (type != VMT_VARIABLE && type != VMT_ERROR && VM_InsideSealedSlot(context, sp, size)) {
    VM_Fail(context, "ret: the stack holds a variable here");
    return sp;
  }
  if (context->depth <= 0) {
    context->pc = context->codeSize;
    context->resultType = static_cast<int32_t>(type);
    return sp;
  }
  // The caller receives a whole value, whatever slot the callee returned it in.
  RValue returned = RValue_MakeUndefined();
  if (type == VMT_VARIABLE) VM_BreakSeal(context, sp);
  if (type != VMT_ERROR) VM_SlotToValue(&returned, type == VMT_DEBUG_STRING ? VMT_STRING : type, sp);
  // Values the callee left below its result (an exit from inside a switch) die with the call.
  VM_ReleaseSealedBetween(context, sp + size, VM_FrameTop(context));
  uint8_t* slot = VM_UnwindCall(context);
  VM_StoreValue(slot, returned, &returned);
  VM_Seal(context, slot);
  return slot;
}

uint8_t* VM_ReturnFromCall(VMContext* context, uint8_t* sp) {
  if (context->depth <= 0) return sp;
  VM_ReleaseSealedBetween(context, sp, VM_FrameTop(context));
  uint8_t* slot = VM_UnwindCall(context);
  const RValue zero = RValue_MakeReal(0.0);
  std::memcpy(slot, &zero, sizeof zero);
  VM_Seal(context, slot);
  return slot;
}

uint8_t* DoExit(uint32_t, uint8_t* sp, const uint8_t*, VMContext* context) {
  if (context->depth > 0) return VM_ReturnFromCall(context, sp);
  context->pc = context->codeSize;
  return sp;
}

uint8_t* DoBreak(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t subCode = word & 0xFFFF;
  if (subCode == 0xFFFF) {
    int32_t index;
    if (!VM_StackHolds(context, sp, 4)) {
      VM_Fail(context, "Array index check without an index on the stack");
      return sp;
    }
    if (VM_InsideSealedSlot(context, sp, 4)) {
      VM_Fail(context, "Array index check on a value that is no index");
      return sp;
    }
    std::memcpy(&index, sp, 4);
    if (index < 0) {
      VM_Fail(context, "Array index must be +'ve");
    } else if (index >= 32000) {
      VM_Fail(context, "Array index must be < %d", 32000);
    }
    return sp;
  }
  if (subCode != 0) return sp;
  // A break word that no armed breakpoint put there is stored code: it does nothing.
  uint8_t* at = const_cast<uint8_t*>(context->codeBase) + context->current;
  if (!Breakpoint_Find(at, nullptr)) return sp;
  context->pc = context->current;
  return PauseAndRun(context, sp);
}

// --- the stack --------------------------------------------------------------------------------

uint8_t* VM_SlotToValue(RValue* out, uint32_t type, uint8_t* slot) {
  switch (type) {
    case VMT_DOUBLE: {
      double d;
      std::memcpy(&d, slot, 8);
      *out = RValue_MakeReal(d);
      return slot + 8;
    }
    case VMT_FLOAT: {
      float f;
      std::memcpy(&f, slot, 4);
      *out = RValue_MakeReal(f);
      return slot + 4;
    }
    case VMT_INT:
    case VMT_BOOL: {
      int32_t i;
      std::memcpy(&i, slot, 4);
      *out = RValue_MakeReal(type == VMT_BOOL ? (i != 0 ? 1.0 : 0.0) : i);
      if (type == VMT_BOOL) out->kind = VALUE_BOOL;
      return slot + 4;
    }
    case VMT_LONG: {
      int64_t l;
      std::memcpy(&l, slot, 8);
      *out = RValue_MakeReal(static_cast<double>(l));
      return slot + 8;
    }
    case VMT_VARIABLE:
      std::memcpy(out, slot, sizeof(RValue));
      // An array the slot owned is owned by none while it moves: the variable it lands in takes it.
      if (RValue_Kind(out) == VALUE_ARRAY && out->pArray != nullptr &&
          out->pArray->owner == reinterpret_cast<const RValue*>(slot)) {
        out->pArray->owner = nullptr;
      }
      return slot + 16;
    case VMT_STRING: {
      uint32_t handle;
      std::memcpy(&handle, slot, 4);
      out->pString = VM_StringHandleTake(handle);
      out->flags = 0;
      out->kind = VALUE_STRING;
      return slot + 4;
    }
    case 9:
      *out = RValue_MakeUndefined();
      return slot;
    default:
      return slot;
  }
}

namespace {
// Seal storage for the context's block (its copies need no clearing: only marked slots are read).
void AllocateSeals(VMContext* context) {
  VM_AttachSeals(context, static_cast<uint8_t*>(MemoryManager_Alloc(VM_SealStorageSize(context->stackSize),
                                                                    __FILE__, __LINE__, false)));
}

// Moves the stack into a zero-filled block `extra` bytes larger; every slot keeps its distance
// from the block's end, and the frame, the argument list, sp and the seals move with the contents.
// Rarely run: kept out of line so that the growth check stays small in the loop.
[[gnu::noinline, gnu::cold]] uint8_t* GrowBy(uint8_t* sp, VMContext* context, int64_t extra) {
  if (context->stackSize + extra > g_stackLimit) {
    // A runaway recursion (or a push without end): reported as a stack overflow, and the run
    // ends as at the end of its code, its calls unwound, so that whatever ran it goes on. The
    // caller writes nothing more.
    ReportStackOverflow(context->name);
    context->failed = 1;
    context->pc = context->codeSize;
    return sp;
  }
  // At least doubled, so that a deep stack is copied a few times only; never past the limit.
  extra = std::min<int64_t>(std::max<int64_t>(extra, context->stackSize), g_stackLimit - context->stackSize);
  const int32_t oldSize = context->stackSize;
  const int32_t newSize = oldSize + static_cast<int32_t>(extra);
  // Each byte of the new block is written once: the new part zeroed, the old contents copied.
  auto* block = static_cast<uint8_t*>(MemoryManager_Alloc(static_cast<size_t>(newSize), __FILE__, __LINE__, false));
  std::memset(block, 0, static_cast<size_t>(extra));
  std::memcpy(block + extra, context->stackBlock, static_cast<size_t>(oldSize));
  const ptrdiff_t shift = (block + newSize) - (context->stackBlock + oldSize);
  uint8_t* oldBlock = context->stackBlock;
  auto inOldBlock = [&](const void* p) {
    return p >= oldBlock && p <= static_cast<const void*>(oldBlock + oldSize);
  };
  context->frame = reinterpret_cast<VMCallFrame*>(reinterpret_cast<uint8_t*>(context->frame) + shift);
  if (inOldBlock(g_arguments)) g_arguments = reinterpret_cast<RValue*>(reinterpret_cast<uint8_t*>(g_arguments) + shift);
  // Nothing below the lowest seal was ever sealed: only the seals from there up move.
  const uint8_t* oldSealLow = context->sealLow;
  const size_t sealed = static_cast<size_t>(oldBlock + oldSize - oldSealLow);
  const uint8_t* oldMarks = VM_MarkOf(context, oldSealLow);
  const uint8_t* oldCopies = VM_CopyOf(context, oldSealLow);
  uint8_t* oldSeals = context->sealStorage;
  const uint8_t* sealLow = oldSealLow + shift;
  context->stackBlock = block;
  context->stackSize = newSize;
  MemoryManager_Free(oldBlock);
  AllocateSeals(context);
  std::memcpy(VM_MarkOf(context, sealLow), oldMarks, sealed / 4);
  std::memcpy(VM_CopyOf(context, sealLow), oldCopies, sealed);
  context->sealLow = sealLow;
  MemoryManager_Free(oldSeals);
  return sp + shift;
}
}  // namespace

uint8_t* VM_GrowStack(uint8_t* sp, VMContext* context) {
  if (sp - context->stackBlock >= kVMStackHeadroom) return sp;
  return GrowBy(sp, context, kVMStackBlockSize);
}

uint8_t* VM_EnsureStack(uint8_t* sp, VMContext* context, int64_t bytes) {
  const int64_t free = sp - context->stackBlock;
  const int64_t wanted = bytes + kVMStackHeadroom;
  if (free >= wanted) return sp;
  const int64_t steps = (wanted - free + kVMStackBlockSize - 1) / kVMStackBlockSize;
  return GrowBy(sp, context, steps * kVMStackBlockSize);
}

uint8_t* VM_EnterCall(VMContext* context, uint8_t* sp, CCode* callee, int32_t argumentCount, WXObjectBase* locals,
                      WXObjectBase* argumentsObject) {
  auto* frame = reinterpret_cast<VMCallFrame*>(sp - sizeof(VMCallFrame));
  if (reinterpret_cast<uint8_t*>(frame) < context->stackBlock) {
    VM_Fail(context, "call: no room on the stack");
    return sp;
  }
  const uint8_t* end = VM_BlockEnd(context);
  *frame = {};
  frame->returnPc = context->pc;
  frame->callerArgumentCount = g_argumentCount;
  frame->callerFramePosition = static_cast<int32_t>(end - VM_FrameTop(context));
  frame->localsGiven = context->localsGiven;
  frame->self = context->self;
  frame->other = context->other;
  frame->codeBuffer = context->codeBuffer;
  frame->debugInfo = context->debugInfo;
  frame->sourceText = context->sourceText;
  frame->name = context->name;
  frame->locals = context->locals;
  frame->argumentsObject = argumentsObject;
  const auto* arguments = reinterpret_cast<const uint8_t*>(g_arguments);
  frame->callerArgumentsPosition =
      arguments >= context->stackBlock && arguments <= end ? static_cast<int32_t>(end - arguments) : -1;
  context->frame = frame;
  context->depth++;
  g_argumentCount = argumentCount;
  g_arguments = reinterpret_cast<RValue*>(sp);
  if (locals != nullptr) {
    context->locals = locals;
    context->localsGiven = 1;
  } else {
    context->locals = VM_NewLocals(callee->localsCount);
    context->localsGiven = 0;
  }
  context->codeBuffer = callee->code;
  context->codeBase = callee->code->code;
  context->codeSize = callee->code->length;
  context->name = callee->name;
  context->debugInfo = callee->lineTable;
  context->sourceText = callee->text;
  context->pc = callee->codeOffset;
  if (Profiler_Enabled) Profiler_Enter(1, callee->index);
  return reinterpret_cast<uint8_t*>(frame);
}

// --- the loop ---------------------------------------------------------------------------------

namespace {
// Releases the variables the run leaves on its stack: those a runtime error stopped the code
// over, those left by calls that returned over them, and those compiled code leaves when it exits
// from inside a block that holds a value (a switch). Each seal stands for one value nothing else
// owns, so each is released once. Out of line (it runs once a run) to keep the loop small.
[[gnu::noinline]] void ReleaseSealedSlots(VMContext* context) {
  VM_ReleaseSealedBetween(context, const_cast<uint8_t*>(context->sealLow), VM_BlockEnd(context));
}
}  // namespace

namespace {
// The translation that runs the code at pc of the buffer, when the fast loop may run it.
// Breakpoints and a debugger need the checked loop, which sees every instruction word.
VMFastCode* FastCodeForRun(VMBuffer* buffer, int32_t pc) {
  if (!VM_FastLoopEnabled() || Breakpoint_AnyArmed() || Debug_IsConnected()) return nullptr;
  return VM_FastCodeFor(buffer, pc);
}
}  // namespace

void VM_Interpret(VMContext* context, RValue* result) {
  const int32_t savedArgumentCount = g_argumentCount;
  g_current = context;
  uint8_t* sp = VM_FrameTop(context);
  bool finished = false;
  if (VMFastCode* fast = FastCodeForRun(context->codeBuffer, context->pc)) {
    finished = VM_InterpretFast(context, fast, &sp, result) == VMFastExit::kFinished;
  }
  if (!finished) RunChecked(context, result, sp);
  g_argumentCount = savedArgumentCount;
  FinishRun(context, true);
}

// --- the loop with debugger support ---------------------------------------------------------------

VMStepRequest g_VMStep;
bool g_VMPendingPause = false;
int64_t g_VMDebugLastTick = 0;

namespace {
uint32_t g_debugInstructions = 0;
bool g_debugLoop = false;
void (*g_debugTick)() = &Debug_Tick;

// Before each instruction of the debugger loop: the tick, and whether to stop here.
bool DebugStopsHere(const VMContext* context) {
  if (++g_debugInstructions > kVMDebugTickInstructions) {
    g_debugInstructions = 0;
    if (Timing_GetTime() - g_VMDebugLastTick > kVMDebugTickMicroseconds) g_debugTick();
  }
  bool stop = g_VMPendingPause;
  if (!stop && g_VMStep.mode >= 0 && context->sourceText != nullptr) {
    const int32_t line = VM_GetLineNumber(VM_FindDebugEntry(context->debugInfo, context->pc), context->sourceText, nullptr);
    const bool moved = context->sourceText != g_VMStep.text || line != g_VMStep.line;
    if (moved) {
      switch (g_VMStep.mode) {
        case kVMStepInto: stop = true; break;
        case kVMStepOut: stop = context->depth <= g_VMStep.depth && context->sourceText != g_VMStep.text; break;
        default: stop = context->depth <= g_VMStep.depth; break;
      }
    }
  }
  return stop;
}
}  // namespace

void VM_InterpretDebug(VMContext* context, RValue* result, bool freeLocals) {
  const int32_t savedArgumentCount = g_argumentCount;
  g_current = context;
  uint8_t* sp = VM_FrameTop(context);
  for (;;) {
    while (context->pc < context->codeSize) {
      if (DebugStopsHere(context)) {
        // In place of the fetched word, a break: the game holds here, then the instruction runs.
        g_VMPendingPause = false;
        g_VMStep.mode = -1;
        context->current = context->pc;
        sp = PauseAndRun(context, sp);
      } else {
        sp = Dispatch(context, sp);
      }
      g_current = context;
    }
    if (context->depth <= 0) break;
    sp = VM_ReturnFromCall(context, sp);
    if (context->failed != 0) context->pc = context->codeSize;
  }
  TakeResult(context, result, sp);
  g_argumentCount = savedArgumentCount;
  FinishRun(context, freeLocals);
}

uint32_t VM_DebugInstructionCount() { return g_debugInstructions; }
void VM_SetDebugLoop(bool on) { g_debugLoop = on; }
void VM_SetDebugTickHook(void (*tick)()) { g_debugTick = tick != nullptr ? tick : &Debug_Tick; }

void VM_Init() {
  Breakpoint_ClearAll();
  g_debugInstructions = 0;
  WithList_Init();
}

namespace {
// The checked loop from the context's pc to the end of the run, and the result.
void RunChecked(VMContext* context, RValue* result, uint8_t* sp) {
  for (;;) {
    while (context->pc < context->codeSize) sp = Dispatch(context, sp);
    if (context->depth <= 0) break;
    sp = VM_ReturnFromCall(context, sp);
    // A failed run ends here, after its calls released what they held.
    if (context->failed != 0) context->pc = context->codeSize;
  }
  TakeResult(context, result, sp);
}

// The value the code returned at depth 0, read as a slot of the type of its `ret`.
void TakeResult(VMContext* context, RValue* result, uint8_t* sp) {
  if (result != nullptr && context->failed == 0 && context->resultType >= 0) {
    const uint32_t type = static_cast<uint32_t>(context->resultType);
    if (type == VMT_ERROR) {
      RValue_Release(result);
      *result = RValue_MakeUndefined();
    } else if (VM_StackSlotSize(type) > 0 && VM_StackHolds(context, sp, VM_StackSlotSize(type)) &&
               (type != VMT_VARIABLE || VM_TakeSealed(context, sp))) {
      RValue_Release(result);
      VM_SlotToValue(result, type == VMT_DEBUG_STRING ? VMT_STRING : type, sp);
    }
  }
}

// Releases what the run still holds and hands its stack back to its level.
void FinishRun(VMContext* context, bool freeLocals) {
  ReleaseSealedSlots(context);
  ReleaseLevelHandles(static_cast<size_t>(context->nesting) + 1);
  VM_DropWithFrames(context, -1);
  const uint8_t* end = VM_BlockEnd(context);
  if (context->sealLow < end) {
    std::memset(VM_MarkOf(context, context->sealLow), 0, static_cast<size_t>(end - context->sealLow) / 4 + 1);
  }
  StackLevel& level = g_levels[static_cast<size_t>(context->nesting)];
  if (context->stackSize <= kKeptStackBytes) {
    level.block = context->stackBlock;
    level.size = context->stackSize;
    level.seals = context->sealStorage;
  } else {
    // A stack a deep recursion grew is not held on to for the runs after it.
    MemoryManager_Free(context->stackBlock);
    MemoryManager_Free(context->sealStorage);
  }
  context->stackBlock = nullptr;
  context->sealStorage = nullptr;
  if (freeLocals && context->localsGiven == 0 && context->locals != nullptr) {
    WXObject_Free(context->locals);
    context->locals = nullptr;
  }
}
}  // namespace

void VM_ExecuteCode(CCode* code, CInstance* self, CInstance* other, RValue* result, WXObjectBase* locals,
                    int32_t argumentCount, RValue* arguments, uint32_t flags, WXObjectBase*) {
  if (code == nullptr || code->code == nullptr) return;
  VMBuffer* buffer = code->code;
  if (g_RunnerOptions.trace) Console_DebugOutput("script = %s\n", code->name != nullptr ? code->name : "");
  if (g_VMListing) VM_Disassemble(code->name, buffer, g_pDebugConsole);
  if (g_nesting >= kVMMaxNestedContexts) {
    ReportStackOverflow(code->name);
    return;
  }
  if (argumentCount < 0) argumentCount = 0;

  // The first block holds the arguments, the bottom frame and the headroom the growth check needs.
  const int64_t needed = 16 + static_cast<int64_t>(argumentCount) * 16 + sizeof(VMCallFrame) + kVMStackHeadroom;
  const int32_t blockSize = static_cast<int32_t>((needed / kVMStackBlockSize + 1) * kVMStackBlockSize);
  VMContext context{};
  if (g_levels.size() <= static_cast<size_t>(g_nesting)) g_levels.resize(static_cast<size_t>(g_nesting) + 1);
  StackLevel& level = g_levels[static_cast<size_t>(g_nesting)];
  const bool reuse = level.block != nullptr && level.size >= blockSize;
  uint8_t* keptSeals = reuse ? level.seals : nullptr;
  if (!reuse) {
    MemoryManager_Free(level.block);
    MemoryManager_Free(level.seals);
    level = {};
    context.stackBlock =
        static_cast<uint8_t*>(MemoryManager_Alloc(static_cast<size_t>(blockSize), __FILE__, __LINE__, true));
    context.stackSize = blockSize;
  } else {
    context.stackBlock = level.block;
    context.stackSize = level.size;
    level = {};
  }
  uint8_t* argumentsAt = context.stackBlock + context.stackSize - 16 - static_cast<size_t>(argumentCount) * 16;
  std::memset(argumentsAt + static_cast<size_t>(argumentCount) * 16, 0, 16);
  if (argumentCount > 0) {
    if (arguments != nullptr) {
      std::memcpy(argumentsAt, arguments, static_cast<size_t>(argumentCount) * 16);
    } else {
      std::memset(argumentsAt, 0, static_cast<size_t>(argumentCount) * 16);
    }
  }
  auto* bottom = reinterpret_cast<VMCallFrame*>(argumentsAt - sizeof(VMCallFrame));
  *bottom = {};
  bottom->callerFramePosition = -1;

  const int32_t savedArgumentCount = g_argumentCount;
  RValue* savedArguments = g_arguments;
  g_argumentCount = argumentCount;
  g_arguments = reinterpret_cast<RValue*>(argumentsAt);

  context.self = self;
  context.other = other;
  context.codeBuffer = buffer;
  context.codeBase = buffer->code;
  context.codeSize = buffer->length;
  context.name = code->name;
  context.debugInfo = code->lineTable;
  context.sourceText = code->text;
  context.pc = code->codeOffset;
  context.frame = bottom;
  context.resultType = -1;
  if (keptSeals != nullptr) {
    VM_AttachSeals(&context, keptSeals, false);
  } else {
    AllocateSeals(&context);
  }

  VMContext* parent = g_current;
  if (parent != nullptr) parent->child = &context;
  context.parent = parent;
  context.nesting = g_nesting;
  g_current = &context;
  ++g_nesting;

  const bool debugLoop = g_debugLoop || Debug_IsConnected();
  if (locals != nullptr) {
    context.locals = locals;
    context.localsGiven = 1;
  } else if (VMFastCode* fast = debugLoop ? nullptr : FastCodeForRun(buffer, context.pc);
             fast != nullptr && !VM_FastCodeUsesLocals(fast)) {
    // Code that never touches its locals (most events) runs without the object.
    context.locals = nullptr;
    context.localsGiven = 0;
  } else {
    context.locals = VM_NewLocals(VM_LocalVariableCount());
    context.localsGiven = 0;
  }
  WXObjectBase* savedHead = g_pScopeChainHead;
  if ((flags & 1u) != 0 && self != nullptr) {
    WXObjectBase* scope = Variable_InstanceObject(self);
    scope->m_outerScope = g_pScopeChainHead;
    g_pScopeChainHead = scope;
  }

  if (debugLoop) {
    VM_InterpretDebug(&context, result, false);
    if (context.localsGiven == 0 && context.locals != nullptr) WXObject_Free(context.locals);
  } else {
    VM_Interpret(&context, result);
  }

  --g_nesting;
  if (g_nesting == 0) VM_FreeRetiredFastCodes();
  if (parent != nullptr) parent->child = nullptr;
  g_current = parent;
  g_argumentCount = savedArgumentCount;
  g_arguments = savedArguments;
  g_pScopeChainHead = savedHead;
}

// --- global state -----------------------------------------------------------------------------

VMContext* VM_CurrentContext() { return g_current; }
int32_t VM_ArgumentCount() { return g_argumentCount; }
RValue* VM_Arguments() { return g_arguments; }
void VM_SetArguments(int32_t count, RValue* arguments) {
  g_argumentCount = count;
  g_arguments = arguments;
}
void VM_SetStackLimit(int32_t bytes) { g_stackLimit = bytes > 0 ? bytes : kVMDefaultStackLimit; }
uint32_t VM_BranchCount() { return g_branchCount; }
void VM_SetBranchCount(uint32_t count) { g_branchCount = count; }
VMHandler VM_GetHandler(uint32_t index) { return kHandlers[index & 0x1F]; }
CCode* VM_LookupScriptCode(int32_t scriptIndex) { return g_scriptLookup(scriptIndex); }
const char* VM_ScriptTraceName(int32_t scriptIndex, const CCode* code) {
  if (Script_Exists(scriptIndex)) return Script_Name(scriptIndex);
  return code != nullptr && code->name != nullptr ? code->name : "";
}
void VM_SetScriptCodeLookup(VMScriptCodeLookup lookup) {
  g_scriptLookup = lookup != nullptr ? lookup : &ScriptTableCode;
  VM_InvalidateFastCodes();  // translations hold the callees the old lookup gave
}

void VM_FreeStacks() {
  for (StackLevel& level : g_levels) {
    MemoryManager_Free(level.block);
    MemoryManager_Free(level.seals);
  }
  g_levels.clear();
}

uint32_t VM_StringHandleNew(SharedString* record) {
  if (record == nullptr) return 0;
  if (g_liveAtLevel.size() <= static_cast<size_t>(g_nesting)) g_liveAtLevel.resize(static_cast<size_t>(g_nesting) + 1, 0);
  ++g_liveAtLevel[static_cast<size_t>(g_nesting)];
  if (!g_freeHandles.empty()) {
    const uint32_t handle = g_freeHandles.back();
    g_freeHandles.pop_back();
    g_strings[handle] = record;
    g_handleLevels[handle] = g_nesting;
    return handle;
  }
  g_strings.push_back(record);
  g_handleLevels.push_back(g_nesting);
  return static_cast<uint32_t>(g_strings.size() - 1);
}

SharedString* VM_StringHandleGet(uint32_t handle) {
  return handle < g_strings.size() ? g_strings[handle] : nullptr;
}

SharedString* VM_StringHandleTake(uint32_t handle) {
  if (handle == 0 || handle >= g_strings.size() || g_strings[handle] == nullptr) return nullptr;
  SharedString* record = g_strings[handle];
  g_strings[handle] = nullptr;
  --g_liveAtLevel[static_cast<size_t>(g_handleLevels[handle])];
  g_freeHandles.push_back(handle);
  return record;
}

int32_t VM_StringHandleCount() {
  return static_cast<int32_t>(g_strings.size() - 1 - g_freeHandles.size());
}

WXObjectBase* VM_NewLocals(int32_t count) {
  WXObjectBase* locals = WXObject_Alloc(count, static_cast<int32_t>(VALUE_UNSET));
  locals->m_outerScope = nullptr;
  return locals;
}

void VM_ReleaseHeldValueAt(uint8_t* slot) {
  RValue value = VM_LoadValue(slot);
  // The array outlives the slot when others hold it: it must not name the slot as its owner.
  if (RValue_Kind(&value) == VALUE_ARRAY && value.pArray != nullptr &&
      value.pArray->owner == reinterpret_cast<const RValue*>(slot)) {
    value.pArray->owner = nullptr;
  }
  RValue_Release(&value);
  std::memcpy(slot, &value, sizeof value);
}

void VM_ReleaseSlot(VMContext* context, uint32_t type, uint8_t* slot) {
  if (type == VMT_VARIABLE) {
    if (VM_TakeSealed(context, slot)) VM_ReleaseValueAt(slot);
  } else if ((type == VMT_STRING || type == VMT_DEBUG_STRING) && !VM_InsideSealedSlot(context, slot, 4)) {
    SharedString_Unref(VM_StringHandleTake(VM_ReadWord(slot)));
  }
}

void VM_CopyValueTo(uint8_t* slot, const RValue* source) {
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, source);
  VM_StoreValue(slot, copy, &copy);
}

uint8_t* VM_NotImplemented(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  VM_Fail(context, "%s: instruction not implemented", VM_OpcodeName(VM_Opcode(word)));
  return sp;
}
