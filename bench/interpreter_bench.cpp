// Costs of the byte-code interpreter on three small programs (a numeric loop, a recursive script
// call chain and string building) and on five shaped as game code is: a loop whose bound is a
// local, a loop over globals, a with-block over 1,000 instances, an event run on 1,000 instances
// and a loop calling a built-in and a script. Each reports its cost per unit of work
// ("ns_per_*"), beside the time of one whole run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "container/bytecode_asm.h"
#include "container/writer.h"
#include "core/run_switches.h"
#include "vm/script_table.h"
#include "core/value.h"
#include "vm/variable_names.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "host/game_loader.h"
#include "runtime/game_flags.h"
#include "runtime/game_header.h"
#include "vm/chunk_loaders.h"
#include "vm/code_object.h"
#include "vm/interpreter.h"
#include "functions/math_functions.h"
#include "script/wx_object.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/object.h"
#include "world/room.h"
#include "vm/variable_access.h"

namespace {

constexpr int kLoopIterations = 1000000;
constexpr double kLoopSum = 499999500000.0;  // 0 + 1 + ... + 999,999
constexpr int kFibRounds = 10;
constexpr double kFibResult = 6765 * kFibRounds;
constexpr int kFibCalls = 21891 * kFibRounds;  // calls of fib made by fib(20), the first one included
constexpr int kStringLength = 10000;
constexpr int kInstances = 1000;      // of object "thing", in the current room
constexpr int kCallIterations = 100000;

// Locals, as compiled code keeps them: read with push.l, written with pop. Variable operands
// carry vflags=10 (no array index, the instance in the word).
const char kSource[] = R"(
; s = 0; i = 0; while (i < 1000000) { s = s + i; i = i + 1 } return s
.code loop locals=2
  push.i.i 0
  pop.v.i local.s vflags=10
  push.i.i 0
  pop.v.i local.i vflags=10
loop_top:
  push.l.v local.i
  push.i 1000000
  set.i.v 1
  bf loop_end
  push.l.v local.s
  push.l.v local.i
  add.v.v
  pop.v.v local.s vflags=10
  push.l.v local.i
  push.i.i 1
  add.i.v
  pop.v.v local.i vflags=10
  b loop_top
loop_end:
  push.l.v local.s
  ret.v

; r = 0; k = 0; while (k < 10) { r = r + fib(20); k = k + 1 } return r
.code fib_main locals=2
  push.i.i 0
  pop.v.i local.r vflags=10
  push.i.i 0
  pop.v.i local.k vflags=10
fib_top:
  push.l.v local.k
  push.i 10
  set.i.v 1
  bf fib_end
  push.l.v local.r
  push.i.i 20
  conv.i.v
  call.i fib 1
  add.v.v
  pop.v.v local.r vflags=10
  push.l.v local.k
  push.i.i 1
  add.i.v
  pop.v.v local.k vflags=10
  b fib_top
fib_end:
  push.l.v local.r
  ret.v

; fib(n) = n < 2 ? n : fib(n - 1) + fib(n - 2)
.code fib args=1
  push.b.v builtin.argument0
  push.i.i 2
  set.i.v 1
  bf fib_recurse
  push.b.v builtin.argument0
  ret.v
fib_recurse:
  push.b.v builtin.argument0
  push.i.i 1
  sub.i.v
  call.i fib 1
  push.b.v builtin.argument0
  push.i.i 2
  sub.i.v
  call.i fib 1
  add.v.v
  ret.v

.code concat locals=2
  push.s ""
  pop.v.s local.s vflags=10
  push.i.i 0
  pop.v.i local.n vflags=10
concat_top:
  push.l.v local.n
  push.i 10000
  set.i.v 1
  bf concat_end
  push.l.v local.s
  push.s "x"
  add.s.v
  pop.v.v local.s vflags=10
  push.l.v local.n
  push.i.i 1
  add.i.v
  pop.v.v local.n vflags=10
  b concat_top
concat_end:
  push.l.v local.s
  ret.v

; s = 0; i = 0; n = 1000000; while (i < n) { s = s + i; i = i + 1 } return s
.code loop_local locals=3
  push.i.i 0
  pop.v.i local.s vflags=10
  push.i.i 0
  pop.v.i local.i vflags=10
  push.i 1000000
  pop.v.i local.n vflags=10
local_top:
  push.l.v local.i
  push.l.v local.n
  set.v.v 1
  bf local_end
  push.l.v local.s
  push.l.v local.i
  add.v.v
  pop.v.v local.s vflags=10
  push.l.v local.i
  push.i.i 1
  add.i.v
  pop.v.v local.i vflags=10
  b local_top
local_end:
  push.l.v local.s
  ret.v

; the same over globals: global.gs, global.gi
.code loop_globals
  push.i.i 0
  pop.v.i global.gs vflags=10
  push.i.i 0
  pop.v.i global.gi vflags=10
globals_top:
  push.g.v global.gi
  push.i 1000000
  set.i.v 1
  bf globals_end
  push.g.v global.gs
  push.g.v global.gi
  add.v.v
  pop.v.v global.gs vflags=10
  push.g.v global.gi
  push.i.i 1
  add.i.v
  pop.v.v global.gi vflags=10
  b globals_top
globals_end:
  push.g.v global.gs
  ret.v

; with (thing) { px = px + 1; py = py + px } return 0
.code with_all
  push.i 0
  pushenv with_end
with_start:
  push.v self.px vflags=10
  push.i.i 1
  add.i.v
  pop.v.v self.px vflags=10
  push.v self.py vflags=10
  push.v self.px vflags=10
  add.v.v
  pop.v.v self.py vflags=10
with_end:
  popenv with_start
  push.i.i 0
  ret.i

; ten statements over the instance's variables, as a step event
.code event
  push.v self.px vflags=10
  push.i.i 1
  add.i.v
  pop.v.v self.px vflags=10
  push.v self.py vflags=10
  push.v self.px vflags=10
  add.v.v
  pop.v.v self.py vflags=10
  push.v self.px vflags=10
  push.i.i 2
  mul.i.v
  pop.v.v self.vx vflags=10
  push.v self.vx vflags=10
  push.v self.py vflags=10
  sub.v.v
  pop.v.v self.vy vflags=10
  push.v self.vy vflags=10
  push.i.i 3
  add.i.v
  pop.v.v self.hp vflags=10
  push.v self.hp vflags=10
  push.v self.vx vflags=10
  add.v.v
  pop.v.v self.vx vflags=10
  push.v self.px vflags=10
  push.i.i 1
  sub.i.v
  pop.v.v self.px vflags=10
  push.v self.py vflags=10
  push.v self.hp vflags=10
  sub.v.v
  pop.v.v self.py vflags=10
  push.v self.vy vflags=10
  push.v self.vx vflags=10
  mul.v.v
  pop.v.v self.hp vflags=10
  push.i.i 0
  pop.v.i self.vy vflags=10

; d = 0; i = 0; while (i < 100000) { d = d + point_distance(0, 0, i, i) + add1(i); i = i + 1 } return d
.code calls locals=2
  push.i.i 0
  pop.v.i local.d vflags=10
  push.i.i 0
  pop.v.i local.i vflags=10
calls_top:
  push.l.v local.i
  push.i 100000
  set.i.v 1
  bf calls_end
  push.l.v local.d
  push.l.v local.i
  push.l.v local.i
  push.i.i 0
  conv.i.v
  push.i.i 0
  conv.i.v
  call.i point_distance 4
  add.v.v
  push.l.v local.i
  call.i add1 1
  add.v.v
  pop.v.v local.d vflags=10
  push.l.v local.i
  push.i.i 1
  add.i.v
  pop.v.v local.i vflags=10
  b calls_top
calls_end:
  push.l.v local.d
  ret.v

; add1(a) = a + 1
.code add1 args=1
  push.b.v builtin.argument0
  push.i.i 1
  add.i.v
  ret.v
)";

// argument0 of the running call (undefined when it was given none).
bool GetArgument0(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeUndefined();
  if (VM_ArgumentCount() < 1 || VM_Arguments() == nullptr) return true;
  RValue argument;
  std::memcpy(&argument, VM_Arguments(), sizeof argument);  // argument lists are 4-byte aligned only
  RValue_Assign(out, &argument);
  return true;
}

// A runtime error does not end the process here: the run stops and the benchmark reports it.
void KeepProcess(int) {}

// The assembled program loaded as a game's byte code, with a code object per entry.
class Program {
 public:
  static Program& Get() {
    static Program program;
    return program;
  }

  const std::string& error() const { return m_error; }
  CCode* Code(const char* name) const {
    for (const auto& code : m_codes) {
      if (code->name != nullptr && std::strcmp(code->name, name) == 0) return code.get();
    }
    return nullptr;
  }

  // Runs the entry without arguments (with `self` as self and other); false with `error` when it
  // stopped with a runtime error.
  bool Run(CCode* code, RValue* result, std::string* error, CInstance* self = nullptr) const {
    error_occurred = false;
    Error_ClearSuppression();  // a fatal error silences the ones after it
    RValue_Release(result);
    VM_ExecuteCode(code, self, self, result, nullptr, 0, nullptr, 0, nullptr);
    if (!error_occurred) return true;
    *error = error_last != nullptr && error_last->text != nullptr ? error_last->text : "runtime error";
    return false;
  }

 private:
  Program() {
    g_IsHeadless = true;
    Error_SetEndProcess(&KeepProcess);
    Game_SetCompiledMode(false);
    Variable_BuiltinAdd("argument0", &GetArgument0, nullptr);
    InitMathFunctions();
    const char* const scripts[] = {"fib", "add1"};
    Script_SetNames(scripts, 2);
    VM_SetScriptCodeLookup(&ScriptCode);
    Load();
    if (m_error.empty()) MakeWorld();
  }

 public:
  const std::vector<CInstance*>& instances() const { return m_instances; }

 private:
  // The global object, and the room of 1,000 instances of object 0 ("thing") that the with-block
  // and the event visit; each starts with its variables set.
  void MakeWorld() {
    m_global = std::make_unique<WXObjectBase>(Variable_GlobalNameCount() + 4, static_cast<int32_t>(VALUE_UNSET));
    g_pGlobalObject = m_global.get();
    CObject* object = Object_Data(Object_Add());
    object->SetName("thing");
    Room_Current = &m_room;
    for (int i = 0; i < kInstances; ++i) {
      auto* instance = new CInstance(0, 0, 100001 + i, 0, true);
      InstanceIdTable.Insert(100001 + i, instance);
      m_room.active.InsertByDepth(instance);
      for (const char* name : {"px", "py", "vx", "vy", "hp"}) {
        const RValue zero = RValue_MakeReal(0);
        Variable_SetValue(instance, kUserVariableBase + Variable_FindInstanceName(name), ARRAY_INDEX_NONE, &zero);
      }
      m_instances.push_back(instance);
    }
  }

  // Scripts by index, resolved once after loading.
  static CCode* ScriptCode(int32_t index) {
    const auto& scripts = Get().m_scripts;
    return index >= 0 && static_cast<size_t>(index) < scripts.size() ? scripts[static_cast<size_t>(index)] : nullptr;
  }

  void Load() {
    container::BytecodeProgram program;
    if (!container::assemble_bytecode(kSource, &program, &m_error)) return;
    g_GameHeader.versionAtLeast15 = !program.old_layout;
    container::ContainerWriter writer;
    container::write_bytecode(writer, program);
    writer.add_string_pool();
    container::BuildResult built = writer.build();
    if (!built.ok()) {
      m_error = built.error;
      return;
    }
    m_bytes = std::move(built.bytes);
    const ContainerBytes container{m_bytes.data(), m_bytes.size()};
    if (Game_ScanHeaderChunks(container)) {
      ContainerChunks chunks(container);
      for (ContainerChunk chunk; chunks.Next(&chunk);) {
        if (std::strcmp(chunk.tag, "FUNC") == 0) FUNC_Load(chunk.body, chunk.size, container);
        if (std::strcmp(chunk.tag, "CODE") == 0) Code_PrepareBytecode(chunk.body, chunk.size, container);
      }
    }
    if (Game_LoadFailed()) {
      m_error = Game_LoadFailure();
      return;
    }
    const GameData& data = Game_Data();
    for (uint32_t i = 0; i < data.codeCount; ++i) {
      auto code = std::make_unique<CCode>(static_cast<int32_t>(i), 0);
      // Outside a game loaded from a file the code object cannot find its entry: it gets its
      // buffer here, from the entry's new-layout fields.
      if (code->code == nullptr) {
        const uint8_t* e = m_bytes.data() + Container_U32(data.codeEntries + 4 * i);
        auto* buffer = new VMBuffer();
        buffer->length = static_cast<int32_t>(Container_U32(e + 4));
        buffer->locals = code->localsCount = Container_U16(e + 8);
        buffer->arguments = code->argumentCount = Container_U16(e + 10);
        buffer->code = const_cast<uint8_t*>(e + 12 + Container_I32(e + 12));
        code->code = buffer;
        code->name = reinterpret_cast<const char*>(m_bytes.data() + Container_U32(e));
      }
      m_codes.push_back(std::move(code));
    }
    for (int32_t i = 0; Script_Exists(i); ++i) m_scripts.push_back(Code(Script_Name(i)));
  }

  std::vector<uint8_t> m_bytes;
  std::unique_ptr<WXObjectBase> m_global;
  CRoom m_room;
  std::vector<CInstance*> m_instances;  // live to the end of the process
  std::vector<std::unique_ptr<CCode>> m_codes;
  std::vector<CCode*> m_scripts;
  std::string m_error;
};

// Runs the entry once and checks what it returned; false (with the benchmark skipped) when it
// could not run or returned something else.
template <typename Check>
bool Prepare(benchmark::State& state, const char* entry, CCode** code, Check check, CInstance* self = nullptr) {
  Program& program = Program::Get();
  if (!program.error().empty()) {
    state.SkipWithError(program.error().c_str());
    return false;
  }
  *code = program.Code(entry);
  if (*code == nullptr) {
    state.SkipWithError("the program has no such code entry");
    return false;
  }
  RValue result = RValue_MakeUndefined();
  std::string error;
  const bool ran = program.Run(*code, &result, &error, self);
  const std::string wrong = ran ? check(result) : error;
  RValue_Release(&result);
  if (!wrong.empty()) {
    static std::string message;
    message = std::string(entry) + ": " + wrong;
    state.SkipWithError(message.c_str());
    return false;
  }
  return true;
}

void RunTimed(benchmark::State& state, CCode* code) {
  RValue result = RValue_MakeUndefined();
  for (auto _ : state) {
    VM_ExecuteCode(code, nullptr, nullptr, &result, nullptr, 0, nullptr, 0, nullptr);
    benchmark::DoNotOptimize(result);
    RValue_Release(&result);
  }
}

// Seconds per unit of work, shown in ns: `units` units make one run.
benchmark::Counter PerUnit(int units) {
  return benchmark::Counter(units, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::string ExpectReal(const RValue& v, double expected) {
  if (RValue_Kind(&v) == VALUE_REAL && v.val == expected) return "";
  return "returned kind " + std::to_string(RValue_Kind(&v)) + " value " +
         (RValue_Kind(&v) == VALUE_REAL ? std::to_string(v.val) : std::string("-")) + ", expected " +
         std::to_string(expected);
}

// A sum over a local counter run to a million: a compare and branch, two additions into locals.
void BM_NumericLoop(benchmark::State& state) {
  CCode* code = nullptr;
  if (!Prepare(state, "loop", &code, [](const RValue& v) { return ExpectReal(v, kLoopSum); })) return;
  RunTimed(state, code);
  state.SetItemsProcessed(state.iterations() * kLoopIterations);
  state.counters["ns_per_iteration"] = PerUnit(kLoopIterations);
}
BENCHMARK(BM_NumericLoop)->Unit(benchmark::kMillisecond);

// fib(20) ten times by recursive script calls, each reading its argument through argument0.
void BM_RecursiveFib(benchmark::State& state) {
  CCode* code = nullptr;
  if (!Prepare(state, "fib_main", &code, [](const RValue& v) { return ExpectReal(v, kFibResult); })) return;
  RunTimed(state, code);
  state.SetItemsProcessed(state.iterations() * kFibCalls);
  state.counters["ns_per_call"] = PerUnit(kFibCalls);
}
BENCHMARK(BM_RecursiveFib)->Unit(benchmark::kMillisecond);

// A string grown one character at a time to 10,000 characters.
void BM_StringConcat(benchmark::State& state) {
  CCode* code = nullptr;
  const auto check = [](const RValue& v) -> std::string {
    if (RValue_Kind(&v) != VALUE_STRING || v.pString == nullptr) return "did not return a string";
    if (v.pString->length != kStringLength || std::strlen(v.pString->text) != kStringLength) {
      return "returned " + std::to_string(v.pString->length) + " characters";
    }
    return "";
  };
  if (!Prepare(state, "concat", &code, check)) return;
  RunTimed(state, code);
  state.SetItemsProcessed(state.iterations() * kStringLength);
  state.counters["ns_per_char"] = PerUnit(kStringLength);
}
BENCHMARK(BM_StringConcat)->Unit(benchmark::kMillisecond);

// The numeric loop with its bound in a local, as a game's loop over a count it was given.
void BM_LocalBoundLoop(benchmark::State& state) {
  CCode* code = nullptr;
  if (!Prepare(state, "loop_local", &code, [](const RValue& v) { return ExpectReal(v, kLoopSum); })) return;
  RunTimed(state, code);
  state.counters["ns_per_iteration"] = PerUnit(kLoopIterations);
}
BENCHMARK(BM_LocalBoundLoop)->Unit(benchmark::kMillisecond);

// The numeric loop over two global variables.
void BM_GlobalsLoop(benchmark::State& state) {
  CCode* code = nullptr;
  if (!Prepare(state, "loop_globals", &code, [](const RValue& v) { return ExpectReal(v, kLoopSum); })) return;
  RunTimed(state, code);
  state.counters["ns_per_iteration"] = PerUnit(kLoopIterations);
}
BENCHMARK(BM_GlobalsLoop)->Unit(benchmark::kMillisecond);

// with (thing) over 1,000 instances, reading and writing two instance variables in each.
void BM_WithInstances(benchmark::State& state) {
  CCode* code = nullptr;
  if (!Prepare(state, "with_all", &code, [](const RValue& v) { return ExpectReal(v, 0); })) return;
  RunTimed(state, code);
  state.counters["ns_per_instance"] = PerUnit(kInstances);
}
BENCHMARK(BM_WithInstances)->Unit(benchmark::kMillisecond);

// An event of ten statements run on each of 1,000 instances, one VM_ExecuteCode per instance as
// the step runs events.
void BM_EventOnInstances(benchmark::State& state) {
  CCode* code = nullptr;
  const std::vector<CInstance*>& instances = Program::Get().instances();
  if (instances.empty()) {
    state.SkipWithError("the program has no instances");
    return;
  }
  if (!Prepare(state, "event", &code, [](const RValue&) { return std::string(); }, instances[0])) return;
  for (auto _ : state) {
    for (CInstance* instance : instances) {
      VM_ExecuteCode(code, instance, instance, nullptr, nullptr, 0, nullptr, 0, nullptr);
    }
  }
  state.counters["ns_per_event"] = PerUnit(kInstances);
}
BENCHMARK(BM_EventOnInstances)->Unit(benchmark::kMillisecond);

// A loop calling a built-in (point_distance) and a script in each iteration.
void BM_BuiltinAndScriptCalls(benchmark::State& state) {
  CCode* code = nullptr;
  const auto check = [](const RValue& v) -> std::string {
    double expected = 0;
    for (int i = 0; i < kCallIterations; ++i) expected = expected + std::sqrt(2.0 * i * i) + (i + 1);
    if (RValue_Kind(&v) == VALUE_REAL && std::fabs(v.val - expected) <= 1e-9 * expected) return "";
    return ExpectReal(v, expected);
  };
  if (!Prepare(state, "calls", &code, check)) return;
  RunTimed(state, code);
  state.counters["ns_per_iteration"] = PerUnit(kCallIterations);
}
BENCHMARK(BM_BuiltinAndScriptCalls)->Unit(benchmark::kMillisecond);

}  // namespace
