// Runs arbitrary byte code, twice: with the fast loop on (the translator verifies the code, and
// what verifies runs there, handing over to the checked loop where it must) and with it off (the
// checked loop alone). Whatever the code does, each run must end, with or without a runtime
// error, and without a crash or a leak. Runtime errors return as they do in a game launched by
// another; a run still going after a few thousand branches is stopped by a runtime error raised
// from the window's message pump.
//
// The two runs must agree: on the result, on every error report (its text included), on what the
// run leaves in the global object and in the instance, and on what it leaves held (string
// handles, memory). A disagreement is a finding. (Runs that the memory budget stopped are not
// compared: the two loops rightly hold different amounts on the way.)
//
// An input is a 3-byte head and two code buffers:
//   byte 0  bit 0: self is an instance, bit 1: other is an instance, bit 2: object mode;
//           bits 3-7: the main code's entry, in words (inside an instruction, or past the end,
//           as a container may name it)
//   byte 1  the callee's length in words (the rest of the input is the code that runs)
//   byte 2  low 4 bits: the callee's locals count; high 4 bits: reals handed to the run as its
//           arguments
// Calls name built-in 0 ("record", gives "done") and 1 ("nest", runs the callee one nesting
// level deeper), scripts 100000 (the callee) and 100001 (the prelude's script).
// The run's world is small and harmless: one object with one instance, a global object, the
// variables and strings of a fixed prelude, two built-in functions of the fuzzer's own and two
// scripts (script 0 the callee, script 1 a fixed one of the prelude). No header chunk is ever
// loaded, so the runner's real built-in functions (files, network, ...) are never registered.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "container/bytecode_asm.h"
#include "container/writer.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "host/game_loader.h"
#include "runtime/game_flags.h"
#include "runtime/game_header.h"
#include "io/program.h"
#include "script/wx_object.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/code_object.h"
#include "vm/fast_loop.h"
#include "vm/interpreter.h"
#include "vm/variable_names.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"

namespace {

// Script 1, and the names fuzzed code can reach by id: variables of every scope and strings.
// (The seeds under fuzz/seeds/bytecode_fuzz use these ids: append new names, never reorder.)
constexpr const char* kPrelude = R"(.code fixed locals=4 args=1
push.b.v builtin.argument0
pop.v.v local.t0 vflags=10
push.s ""
pop.v.s local.s vflags=10
push.i.i 0
pop.v.i local.i vflags=10
top:
push.l.v local.i
push.i 3
set.i.v 1
bf end
push.l.v local.s
push.s "x"
add.s.v
pop.v.v local.s vflags=10
push.l.v local.i
push.i.i 1
add.i.v
pop.v.v local.i vflags=10
b top
end:
push.s "hello"
pop.v.s global.g0 vflags=10
push.d 2.5
pop.v.d global.g1 vflags=10
push.l.v local.s
ret.v
.code names
push.v self.x vflags=10
push.v self.y vflags=10
push.v self.arr vflags=10
push.v other.y vflags=10
push.b.v builtin.argument1
push.l.v local.t1
push.s "a"
exit.i
)";

// A run stops with a runtime error after this many message pumps (4,096 branches each).
constexpr int kPumpsPerRun = 2;
// Each nesting level's value stack stays small, and `nest` goes this many levels deep at most:
// what one input can hold stays well inside the fuzzer's memory limit.
constexpr int32_t kStackLimit = 1 << 20;
constexpr int kNestedRuns = 3;
// What the runtime may hold while code runs; past it the run is stopped. (A string doubled again
// and again outgrows any machine long before a loop pumps; no one instruction does more than
// double what is held, so the fuzzer's memory stays bounded.)
constexpr int64_t kMemoryBudget = int64_t{16} << 20;
constexpr int32_t kInstanceId = 100001;

std::vector<uint8_t> g_container;
std::unique_ptr<CCode> g_fixed;  // script 1
CCode* g_callee = nullptr;       // script 0, while an input runs
int32_t g_objectIndex = -1;
CRoom g_room;
int g_pumps = 0;
int g_nested = 0;

// What a run did, as the two loops must agree on it.
struct Outcome {
  std::string result;
  std::string errors;
  std::string world;  // the global object's and the instance's variables afterwards
  int32_t handles = 0;
  int64_t held = 0;   // memory the run left held
  bool overBudget = false;

  bool operator==(const Outcome& o) const {
    return result == o.result && errors == o.errors && world == o.world && handles == o.handles && held == o.held;
  }
};
Outcome g_outcome;

// In a game launched by another the error hook returns: the failed run stops, the game goes on.
void RecordError(const char* message, int) {
  g_outcome.errors += message != nullptr ? message : "(null)";
  g_outcome.errors += '\n';
}

std::string Describe(const RValue* v) {
  char text[64];
  switch (RValue_Kind(v)) {
    case VALUE_REAL:
    case VALUE_BOOL:
      std::snprintf(text, sizeof text, "%u:%a", RValue_Kind(v), v->val);
      return text;
    case VALUE_INT32:
      std::snprintf(text, sizeof text, "i:%d", v->v32);
      return text;
    case VALUE_INT64:
      std::snprintf(text, sizeof text, "l:%lld", static_cast<long long>(v->v64));
      return text;
    case VALUE_STRING:
      return "s:" + std::string(v->pString != nullptr && v->pString->text != nullptr ? v->pString->text : "<null>");
    default:
      std::snprintf(text, sizeof text, "k%u", RValue_Kind(v));
      return text;
  }
}

std::string DescribeSlots(const WXObjectBase* object) {
  std::string text;
  if (object == nullptr || object->m_slots == nullptr) return text;
  for (int32_t i = 0; i < object->m_slotCount; ++i) text += Describe(&object->m_slots[i]) + ",";
  return text;
}

// The pump is the only place a run can be stopped from outside: an endless loop ends here.
void StopLongRuns() {
  if (++g_pumps < kPumpsPerRun) return;
  if (VMContext* context = VM_CurrentContext()) VM_Fail(context, "fuzz: the run went on too long");
}

void* BudgetedAlloc(size_t size) {
  VMContext* context = VM_CurrentContext();
  if (context != nullptr && context->failed == 0 &&
      MemoryManager_BytesInUse() + static_cast<int64_t>(size) > kMemoryBudget) {
    g_outcome.overBudget = true;
    VM_Fail(context, "fuzz: the run holds too much memory");
    // The fast loop sees a failed run at its next branch, where the window is pumped.
    VM_SetBranchCount(VM_BranchCount() | 0xFFFu);
  }
  return std::malloc(size);
}

CCode* ScriptCode(int32_t index) {
  if (index == 0) return g_callee;
  if (index == 1) return g_fixed.get();
  return nullptr;
}

// argument0 and argument1 of the running call.
bool GetArgument(int32_t n, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeUndefined();
  if (VM_ArgumentCount() <= n || VM_Arguments() == nullptr) return true;
  RValue argument;
  std::memcpy(&argument, reinterpret_cast<const uint8_t*>(VM_Arguments()) + sizeof(RValue) * static_cast<size_t>(n),
              sizeof argument);
  RValue_Assign(out, &argument);
  return true;
}
bool GetArgument0(CInstance*, int32_t, RValue* out) { return GetArgument(0, out); }
bool GetArgument1(CInstance*, int32_t, RValue* out) { return GetArgument(1, out); }

void Record(RValue* result, CInstance*, CInstance*, int32_t, RValue*) { RValue_SetString(result, "done"); }

// Runs the callee as code of its own, one nesting level deeper.
void Nest(RValue* result, CInstance* self, CInstance* other, int32_t, RValue*) {
  if (g_callee == nullptr || g_nested >= kNestedRuns) return;
  ++g_nested;
  VM_ExecuteCode(g_callee, self, other, result, nullptr, 0, nullptr, 0, nullptr);
  --g_nested;
}

std::unique_ptr<CCode> CodeOver(uint8_t* bytes, size_t size, const char* name, int32_t locals) {
  auto code = std::make_unique<CCode>(-1, 0);
  code->code = new VMBuffer();
  code->code->code = bytes;
  code->code->length = static_cast<int32_t>(size);
  code->code->locals = locals;
  code->localsCount = locals;
  code->name = name;
  return code;
}

// The callee calls no script (nor script_execute): each call of one becomes a call of the
// recording built-in, so no chain of script calls can recurse without end (calls do not pump;
// the callee running itself through `nest` goes a few levels deep only).
void DisarmScriptCalls(std::vector<uint8_t>* code) {
  for (size_t at = 0; at + 4 <= code->size();) {
    uint32_t word;
    std::memcpy(&word, code->data() + at, 4);
    const size_t length = static_cast<size_t>(VM_InstructionLength(word));
    if (word < kVMBreakWords && VM_Handler(word) == VMOP_CALL && VM_HasOperandWord(word) && at + 8 <= code->size()) {
      int32_t id;
      std::memcpy(&id, code->data() + at + 4, 4);
      if (id >= kCallableScriptBase && id < kCallableExtensionBase) {
        const int32_t record = 0;
        std::memcpy(code->data() + at + 4, &record, 4);
      }
    }
    at += length;
  }
}

Outcome RunOnce(CCode* main, bool fast, uint8_t flags, int32_t argumentCount) {
  g_outcome = Outcome{};
  const int64_t heldBefore = MemoryManager_BytesInUse();
  VM_SetFastLoopEnabled(fast);
  VM_SetBranchCount(0);
  g_pumps = 0;
  g_nested = 0;
  Game_SetObjectMode((flags & 4) != 0);
  const int32_t slots = std::max(Variable_GlobalNameCount(), Variable_InstanceNameCount()) + 4;
  auto global = std::make_unique<WXObjectBase>(slots, static_cast<int32_t>(VALUE_UNSET));
  g_pGlobalObject = global.get();
  auto* instance = new CInstance(0, 0, kInstanceId, g_objectIndex, true);
  InstanceIdTable.Insert(kInstanceId, instance);
  g_room.active.InsertByDepth(instance);

  RValue arguments[15];
  for (int32_t i = 0; i < argumentCount; ++i) arguments[i] = RValue_MakeReal(i);
  RValue result = RValue_MakeReal(-1);
  VM_ExecuteCode(main, (flags & 1) != 0 ? instance : nullptr, (flags & 2) != 0 ? instance : nullptr, &result,
                 nullptr, argumentCount, arguments, 1, nullptr);
  g_outcome.result = Describe(&result);
  RValue_Release(&result);
  g_outcome.world = DescribeSlots(global.get()) + "|" + DescribeSlots(instance);
  g_outcome.handles = VM_StringHandleCount();

  InstanceQueues_Clear();
  Room_ActivationQueue.Clear();
  g_room.active = InstanceList();
  g_room.inactive = InstanceList();
  delete instance;
  InstanceIdTable.Clear(kDisposeNone);
  g_pGlobalObject = nullptr;
  global.reset();
  VM_FreeStacks();  // a stack one run grew is not kept for the next, nor counted as held
  // Nor are the translations (and the string records they hold for code the run never reached).
  VM_FreeFastCodes(main->code);
  if (g_callee != nullptr) VM_FreeFastCodes(g_callee->code);
  VM_FreeRetiredFastCodes();
  g_outcome.held = MemoryManager_BytesInUse() - heldBefore;
  return g_outcome;
}

void Report(const char* loop, const Outcome& o) {
  std::fprintf(stderr, "%s loop: result %s, handles %d, held %lld\nworld %s\nerrors:\n%s\n", loop, o.result.c_str(),
               o.handles, static_cast<long long>(o.held), o.world.c_str(), o.errors.c_str());
}

}  // namespace

// Inputs that make and drop many small blocks (with-blocks, string copies) would otherwise leave
// the sanitizer's freed memory resident, until the fuzzer's memory limit takes it for a leak.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=64:allocator_release_to_os_interval_ms=500";
}

// The fuzzer cannot start without its world.
[[noreturn]] static void Unusable(const char* what) {
  std::fprintf(stderr, "bytecode fuzz: %s\n", what);
  std::abort();
}

// One instruction may rightly make a string of up to 2 GiB (a repetition), after which the
// budget stops the run: the fuzzer's own memory limits sit above that. Flags given on the
// command line still win: they come later.
static void RaiseMemoryLimits(int* argc, char*** argv) {
  static std::vector<char*> arguments;
  static char rss[] = "-rss_limit_mb=4096";
  static char malloc[] = "-malloc_limit_mb=4096";
  arguments.assign(*argv, *argv + *argc);
  if (arguments.empty()) return;
  arguments.insert(arguments.begin() + 1, {rss, malloc});
  arguments.push_back(nullptr);
  *argc = static_cast<int>(arguments.size()) - 1;
  *argv = arguments.data();
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RaiseMemoryLimits(argc, argv);
  Console_SetHeadless(true);
  Error_SetEndProcess([](int) {});
  VM_SetErrorHooks(RecordError, nullptr);
  Win32_SetPumpMessagesHook(StopLongRuns);
  VM_SetStackLimit(kStackLimit);
  MemoryManager_SetHeapAlloc(BudgetedAlloc);
  Game_SetCompiledMode(false);
  Builtin_Add("record", Record, -1, 0);  // id 0
  Builtin_Add("nest", Nest, -1, 0);      // id 1
  Variable_BuiltinAdd("argument0", GetArgument0, nullptr);
  Variable_BuiltinAdd("argument1", GetArgument1, nullptr);

  container::BytecodeProgram program;
  std::string error;
  if (!container::assemble_bytecode(kPrelude, &program, &error)) Unusable(error.c_str());
  g_GameHeader.versionAtLeast15 = true;
  container::ContainerWriter writer;
  container::write_bytecode(writer, program);
  writer.add_string_pool();
  container::BuildResult built = writer.build();
  if (!built.ok()) Unusable(built.error.c_str());
  g_container = std::move(built.bytes);
  ContainerBytes container{g_container.data(), g_container.size()};
  if (!Game_ScanHeaderChunks(container)) Unusable(Game_LoadFailure());
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::strcmp(chunk.tag, "FUNC") == 0) FUNC_Load(chunk.body, chunk.size, container);
    if (std::strcmp(chunk.tag, "CODE") == 0) Code_PrepareBytecode(chunk.body, chunk.size, container);
  }
  if (Game_LoadFailed()) Unusable(Game_LoadFailure());
  if (g_BuiltinCount != 2) Unusable("the built-in table holds more than the fuzzer's own");
  // Script 1 is the prelude's first code entry.
  const GameData& data = Game_Data();
  if (data.codeCount < 1) Unusable("the prelude has no byte code");
  const uint8_t* entry = g_container.data() + Container_U32(data.codeEntries);
  g_fixed = CodeOver(const_cast<uint8_t*>(entry + 12 + Container_I32(entry + 12)), Container_U32(entry + 4), "fixed",
                     Container_U16(entry + 8));

  CObject* object = Object_Data(g_objectIndex = Object_Add());
  object->SetName("thing");
  Room_Current = &g_room;
  VM_SetScriptCodeLookup(ScriptCode);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t flags = data[0];
  const size_t calleeBytes = std::min(static_cast<size_t>(data[1]) * 4, size - 3);
  const int32_t calleeLocals = data[2] & 0xF;
  const int32_t argumentCount = data[2] >> 4;
  // Each buffer exactly its bytes, so that a read past its end is caught.
  std::vector<uint8_t> calleeWords(data + 3, data + 3 + calleeBytes);
  std::vector<uint8_t> mainWords(data + 3 + calleeBytes, data + size);
  DisarmScriptCalls(&calleeWords);
  std::unique_ptr<CCode> callee = CodeOver(calleeWords.data(), calleeWords.size(), "callee", calleeLocals);
  std::unique_ptr<CCode> main = CodeOver(mainWords.data(), mainWords.size(), "main", 0);
  g_callee = callee.get();
  // The translations hold resolved callees: the callee is new for every input.
  VM_InvalidateFastCodes();
  main->codeOffset = static_cast<int32_t>(flags >> 3) * 4;
  // A first run in each loop makes what the runtime keeps once made (string records, tables,
  // the records a translation resolves for code that never runs): the two runs compared then
  // start alike, and what either leaves held is the run's own.
  RunOnce(main.get(), true, flags, argumentCount);
  RunOnce(main.get(), false, flags, argumentCount);
  const Outcome fast = RunOnce(main.get(), true, flags, argumentCount);
  const Outcome checked = RunOnce(main.get(), false, flags, argumentCount);
  if (!fast.overBudget && !checked.overBudget && !(fast == checked)) {
    std::fprintf(stderr, "bytecode fuzz: the two loops disagree\n");
    Report("fast", fast);
    Report("checked", checked);
    std::abort();
  }
  g_callee = nullptr;
  main.reset();
  callee.reset();
  VM_InvalidateFastCodes();
  VM_FreeRetiredFastCodes();
  return 0;
}
