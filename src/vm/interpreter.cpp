#include "vm/interpreter.h"
#include "vm/opcodes.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "vm/script_table.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "host/command_line.h"
#include "host/host_platform.h"
#include "net/frame_services.h"
#include "net/lifecycle.h"
#include "platform/window/message_box.h"
#include "script/wx_object.h"
#include "world/instance.h"
#include "vm/breakpoints.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/code_listing.h"
#include "vm/code_object.h"
#include "vm/scope_chain.h"
#include "vm/vm_internal.h"

namespace {

VMContext* g_current = nullptr;
int32_t g_argumentCount = 0;
RValue* g_arguments = nullptr;
uint32_t g_branchCount = 0;
int32_t g_nesting = 0;
CCode* ScriptTableCode(int32_t scriptIndex) {
  const CScript* script = Script_Data(scriptIndex);
  return script != nullptr ? script->GetCode() : nullptr;
}

VMScriptCodeLookup g_scriptLookup = &ScriptTableCode;

// Handle 0 is the null string; freed handles are reused.
std::vector<SharedString*> g_strings(1, nullptr);
std::vector<uint32_t> g_freeHandles;



// The word of the instruction at a position as it was stored (a breakpoint's break word is seen
// through).
uint32_t StoredWord(const uint8_t* at) {
  uint32_t saved;
  if (Breakpoint_Find(at, &saved)) return saved;
  return VM_ReadWord(at);
}

// The table lives with the code buffer, so code that runs every frame scans its words once.
// Loaded code does not change while the game runs; an armed breakpoint is read through the word
// it replaced.
bool IsInstructionStart(const VMContext* context, int32_t target) {
  VMBuffer* buffer = context->codeBuffer;
  if (buffer->startsOf != context->codeBase || buffer->startsLength != context->codeSize) {
    buffer->starts.assign(static_cast<size_t>(context->codeSize), false);
    for (int32_t at = 0; at + 4 <= context->codeSize;) {
      buffer->starts[static_cast<size_t>(at)] = true;
      at += VM_InstructionLength(StoredWord(context->codeBase + at));
    }
    buffer->startsOf = context->codeBase;
    buffer->startsLength = context->codeSize;
  }
  return buffer->starts[static_cast<size_t>(target)];
}

int32_t ReturnSize(uint32_t type) {
  if (type == VMT_DEBUG_STRING) return 4;
  return VM_StackSlotSize(type);
}

// Unwinds the current call: the caller's state comes back, the call's arguments are released,
// and the slot that ends where the arguments ended is returned (the caller's stack pointer).
uint8_t* UnwindCall(VMContext* context) {
  VMCallFrame* frame = context->frame;
  uint8_t* arguments = VM_FrameTop(context) + sizeof(VMCallFrame);
  const int32_t argumentCount = g_argumentCount;
  VM_DropWithFrames(context, VM_StackDistance(context, VM_FrameTop(context)));
  if (Profiler_Enabled) Profiler_Leave();
  context->depth--;
  context->self = frame->self;
  context->other = frame->other;
  context->pc = frame->returnPc;
  context->codeBuffer = frame->codeBuffer;
  context->debugInfo = frame->debugInfo;
  context->sourceText = frame->sourceText;
  context->name = frame->name;
  if (context->localsGiven == 0 && context->locals != nullptr) WXObject_Free(context->locals);
  context->locals = frame->locals;
  context->localsGiven = frame->localsGiven;
  context->codeBase = context->codeBuffer != nullptr ? context->codeBuffer->code : nullptr;
  context->codeSize = context->codeBuffer != nullptr ? context->codeBuffer->length : 0;
  for (int32_t i = 0; i < argumentCount; ++i) VM_ReleaseValueAt(arguments + static_cast<size_t>(i) * sizeof(RValue));
  g_argumentCount = frame->callerArgumentCount;
  g_arguments = frame->callerArgumentsPosition >= 0
                    ? reinterpret_cast<RValue*>(VM_BlockEnd(context) - frame->callerArgumentsPosition)
                    : nullptr;
  context->frame = reinterpret_cast<VMCallFrame*>(
      frame->callerFramePosition >= 0 ? VM_BlockEnd(context) - frame->callerFramePosition : VM_BlockEnd(context));
  return arguments + static_cast<size_t>(argumentCount) * sizeof(RValue) - sizeof(RValue);
}

void ReportStackOverflow(const char* name) {
  const char* text = name != nullptr ? name : "";
  if (g_IsHeadless) {
    Console_DebugOutput("Stack overflow... %s\n", text);
  } else {
    MessageBox_ShowFatal("Stack overflow...", text);
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

void CountBranch() {
  if ((++g_branchCount & 0xFFF) == 0) Win32_PumpMessages();
}

// Pops the 4-byte condition slot; false (with the code stopped) when there is none.
bool PopCondition(uint8_t** sp, VMContext* context, int32_t* value) {
  if (!VM_StackHolds(context, *sp, 4)) {
    VM_Fail(context, "Conditional branch without a value on the stack");
    return false;
  }
  std::memcpy(value, *sp, 4);
  *sp += 4;
  return true;
}
}  // namespace

uint8_t* DoBranch(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  CountBranch();
  return TakeBranch(word, sp, context);
}

uint8_t* DoBranchTrue(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  CountBranch();
  int32_t value;
  if (!PopCondition(&sp, context, &value)) return sp;
  return value != 0 ? TakeBranch(word, sp, context) : sp;
}

uint8_t* DoBranchFalse(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  CountBranch();
  int32_t value;
  if (!PopCondition(&sp, context, &value)) return sp;
  return value == 0 ? TakeBranch(word, sp, context) : sp;
}

uint8_t* DoRet(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t type = VM_Type1(word);
  const int32_t size = type == VMT_ERROR ? 0 : ReturnSize(type);
  if (!VM_StackHolds(context, sp, size)) {
    VM_Fail(context, "ret: no value of the returned type on the stack");
    return sp;
  }
  if (type == VMT_VARIABLE && !VM_IsSealed(context, sp)) {
    VM_Fail(context, "ret: the stack holds no variable here");
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
  uint8_t* slot = UnwindCall(context);
  std::memcpy(slot, &returned, sizeof returned);
  VM_Seal(context, slot);
  return slot;
}

uint8_t* VM_ReturnFromCall(VMContext* context, uint8_t* sp) {
  if (context->depth <= 0) return sp;
  uint8_t* slot = UnwindCall(context);
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
  Breakpoint_DisarmAll();
  Breakpoint_Pause();
  g_current = context;
  sp = Dispatch(context, sp);
  Breakpoint_ArmAll();
  return sp;
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
  const int32_t oldSize = context->stackSize;
  const int32_t newSize = oldSize + static_cast<int32_t>(extra);
  auto* block = static_cast<uint8_t*>(MemoryManager_Alloc(static_cast<size_t>(newSize), __FILE__, __LINE__, true));
  std::memcpy(block + extra, context->stackBlock, static_cast<size_t>(oldSize));
  const ptrdiff_t shift = (block + newSize) - (context->stackBlock + oldSize);
  uint8_t* oldBlock = context->stackBlock;
  auto inOldBlock = [&](const void* p) {
    return p >= oldBlock && p <= static_cast<const void*>(oldBlock + oldSize);
  };
  context->frame = reinterpret_cast<VMCallFrame*>(reinterpret_cast<uint8_t*>(context->frame) + shift);
  if (inOldBlock(g_arguments)) g_arguments = reinterpret_cast<RValue*>(reinterpret_cast<uint8_t*>(g_arguments) + shift);
  const uint8_t* oldMarks = VM_MarkOf(context, oldBlock);
  const uint8_t* oldCopies = VM_CopyOf(context, oldBlock);
  uint8_t* oldSeals = context->sealStorage;
  const uint8_t* sealLow = context->sealLow + shift;
  context->stackBlock = block;
  context->stackSize = newSize;
  MemoryManager_Free(oldBlock);
  AllocateSeals(context);
  std::memcpy(VM_MarkOf(context, block + extra), oldMarks, static_cast<size_t>(oldSize / 4));
  std::memcpy(VM_CopyOf(context, block + extra), oldCopies, static_cast<size_t>(oldSize));
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
  const uint8_t* end = VM_BlockEnd(context);
  for (uint8_t* slot = const_cast<uint8_t*>(context->sealLow); slot + 16 <= end; slot += 4) {
    if (VM_TakeSealed(context, slot)) VM_ReleaseValueAt(slot);
  }
}
}  // namespace

void VM_Interpret(VMContext* context, RValue* result) {
  const int32_t savedArgumentCount = g_argumentCount;
  g_current = context;
  uint8_t* sp = VM_FrameTop(context);
  for (;;) {
    while (context->pc < context->codeSize) sp = Dispatch(context, sp);
    if (context->depth <= 0) break;
    sp = VM_ReturnFromCall(context, sp);
    // A failed run ends here, after its calls released what they held.
    if (context->failed != 0) context->pc = context->codeSize;
  }
  g_argumentCount = savedArgumentCount;
  if (result != nullptr && context->failed == 0 && context->resultType >= 0) {
    const uint32_t type = static_cast<uint32_t>(context->resultType);
    if (type == VMT_ERROR) {
      RValue_Release(result);
      *result = RValue_MakeUndefined();
    } else if (ReturnSize(type) > 0 && VM_StackHolds(context, sp, ReturnSize(type)) &&
               (type != VMT_VARIABLE || VM_TakeSealed(context, sp))) {
      RValue_Release(result);
      VM_SlotToValue(result, type == VMT_DEBUG_STRING ? VMT_STRING : type, sp);
    }
  }
  ReleaseSealedSlots(context);
  VM_DropWithFrames(context, -1);
  MemoryManager_Free(context->stackBlock);
  MemoryManager_Free(context->sealStorage);
  context->stackBlock = nullptr;
  context->sealStorage = nullptr;
  if (context->localsGiven == 0 && context->locals != nullptr) {
    WXObject_Free(context->locals);
    context->locals = nullptr;
  }
}

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
  context.stackBlock = static_cast<uint8_t*>(MemoryManager_Alloc(static_cast<size_t>(blockSize), __FILE__, __LINE__, true));
  context.stackSize = blockSize;
  uint8_t* argumentsAt = context.stackBlock + blockSize - 16 - static_cast<size_t>(argumentCount) * 16;
  if (argumentCount > 0 && arguments != nullptr) {
    std::memcpy(argumentsAt, arguments, static_cast<size_t>(argumentCount) * 16);
  }
  auto* bottom = reinterpret_cast<VMCallFrame*>(argumentsAt - sizeof(VMCallFrame));
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
  AllocateSeals(&context);

  VMContext* parent = g_current;
  if (parent != nullptr) parent->child = &context;
  context.parent = parent;
  context.nesting = g_nesting;
  g_current = &context;
  ++g_nesting;

  if (locals != nullptr) {
    context.locals = locals;
    context.localsGiven = 1;
  } else {
    context.locals = VM_NewLocals(VM_LocalVariableCount());
    context.localsGiven = 0;
  }
  WXObjectBase* savedHead = g_pScopeChainHead;
  if ((flags & 1u) != 0 && self != nullptr) {
    self->m_outerScope = g_pScopeChainHead;
    g_pScopeChainHead = self;
  }

  VM_Interpret(&context, result);

  --g_nesting;
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
uint32_t VM_BranchCount() { return g_branchCount; }
void VM_SetBranchCount(uint32_t count) { g_branchCount = count; }
VMHandler VM_GetHandler(uint32_t index) { return kHandlers[index & 0x1F]; }
CCode* VM_LookupScriptCode(int32_t scriptIndex) { return g_scriptLookup(scriptIndex); }
void VM_SetScriptCodeLookup(VMScriptCodeLookup lookup) { g_scriptLookup = lookup != nullptr ? lookup : &ScriptTableCode; }

uint32_t VM_StringHandleNew(SharedString* record) {
  if (record == nullptr) return 0;
  if (!g_freeHandles.empty()) {
    const uint32_t handle = g_freeHandles.back();
    g_freeHandles.pop_back();
    g_strings[handle] = record;
    return handle;
  }
  g_strings.push_back(record);
  return static_cast<uint32_t>(g_strings.size() - 1);
}

SharedString* VM_StringHandleGet(uint32_t handle) {
  return handle < g_strings.size() ? g_strings[handle] : nullptr;
}

SharedString* VM_StringHandleTake(uint32_t handle) {
  if (handle == 0 || handle >= g_strings.size() || g_strings[handle] == nullptr) return nullptr;
  SharedString* record = g_strings[handle];
  g_strings[handle] = nullptr;
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

void VM_ReleaseValueAt(uint8_t* slot) {
  RValue value = VM_LoadValue(slot);
  RValue_Release(&value);
  std::memcpy(slot, &value, sizeof value);
}

void VM_ReleaseSlot(VMContext* context, uint32_t type, uint8_t* slot) {
  if (type == VMT_VARIABLE) {
    if (VM_TakeSealed(context, slot)) VM_ReleaseValueAt(slot);
  } else if (type == VMT_STRING || type == VMT_DEBUG_STRING) {
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
