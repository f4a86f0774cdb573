// The call instruction (built-ins, extension functions, scripts, script_execute), the limit on
// nested runs, scripts run from a built-in, and with-blocks.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/stack_trace.h"
#include "runtime/link_record.h"
#include "runtime/runner_options.h"
#include "vm/fast_loop.h"
#include "vm/extension_names_stand_in.h"
#include "vm/vm_world_support.h"

namespace {

constexpr int32_t kRunnerId = 100001;
constexpr int32_t kOtherId = 100002;

// Instance variables a (100000), b (100001), c (100002) and idx (100003), declared in this order.
const char kNames[] = ".code names\npush.v self.a\npush.v self.b\npush.v self.c\npush.v self.idx\n";

class CallTest : public VMWorldTest {
 protected:
  void SetUp() override {
    VMWorldTest::SetUp();
    m_object = NewObject("R");
  }
  // Loads `source` after the names (so code entry 1 is the first of `source`) and makes the
  // runner (a "A", b "B", c 3) and the other instance.
  void Prepare(const std::string& source) {
    ClearInstances();
    Load(std::string(kNames) + source);
    m_runner = NewInstance(m_object, kRunnerId);
    m_other = NewInstance(m_object, kOtherId);
    SetText(m_runner, 100000, "A");
    SetText(m_runner, 100001, "B");
    SetReal(m_runner, 100002, 3);
  }
  static void SetText(WXObjectBase* object, int32_t id, const char* text) {
    RValue v = RValue_MakeUndefined();
    RValue_SetString(&v, text);
    Variable_SetValue(object, id, ARRAY_INDEX_NONE, &v);
    RValue_Release(&v);
  }
  void RunMain() { Run(1, m_runner, m_other); }

  CObject* m_object = nullptr;
  CInstance* m_runner = nullptr;
  CInstance* m_other = nullptr;
};

// --- built-ins and extension functions --------------------------------------------------------------

struct BuiltinView {
  std::string current;
  std::string trace;
  int32_t traceLine = 0;
  bool aligned = false;
};
BuiltinView g_view;

void Inspect(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args) {
  g_view.current = Builtin_CurrentName();
  g_view.trace = g_pStackTrace != nullptr ? g_pStackTrace->name : "";
  g_view.traceLine = g_pStackTrace != nullptr ? g_pStackTrace->line : 0;
  g_view.aligned = reinterpret_cast<uintptr_t>(args) % alignof(RValue) == 0;
  RecordCall(result, self, other, argc, args);
}

TEST_F(CallTest, BuiltinGetsItsArgumentsTopFirstAndItsResultReplacesThem) {
  Builtin_Add("inspect", &Inspect, -1, 0);
  // With and without an int slot below the arguments, so that they sit on both alignments.
  for (const char* below : {"", "push.i.i 5\n"}) {
    Seen().clear();
    g_view = {};
    Prepare(std::string(".code main\n") + below +
            "push.v self.a vflags=10\npush.v self.b vflags=10\ncall.i inspect 2\nret.v\n");
    RunMain();
    EXPECT_EQ(Error(), "");
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].args, (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(Seen()[0].self, kRunnerId);
    EXPECT_EQ(Seen()[0].other, kOtherId);
    EXPECT_EQ(g_view.current, "inspect");
    EXPECT_EQ(g_view.trace, "inspect");
    EXPECT_EQ(g_view.traceLine, -1);
    EXPECT_TRUE(g_view.aligned);
    EXPECT_EQ(g_pStackTrace, nullptr);
    EXPECT_EQ(ResultText(), "done");
    // The arguments were released: only the variables hold their strings.
    EXPECT_EQ(m_runner->m_slots[0].pString->refCount, 1);
    EXPECT_EQ(m_runner->m_slots[1].pString->refCount, 1);
  }
  // Without arguments the result is pushed; what lay below stays.
  Prepare(".code main\npush.i.i 8\ncall.i record 0\npopz.v\nret.i\n");
  RunMain();
  EXPECT_EQ(ResultText(), "8");
}

int32_t g_extensionIndex = -1;
bool CallExtension(int32_t index, int32_t argc, RValue* args, RValue* result) {
  g_extensionIndex = index;
  RecordCall(result, nullptr, nullptr, argc, args);
  return true;
}

TEST_F(CallTest, ExtensionFunctionsIncludingTheFirstAreCalledByTheirIndex) {
  SetNames(Extension_StandInSetFunctionNames, {"ext_first", "ext_second"});
  Extension_StandInSetCaller(&CallExtension);
  for (const char* name : {"ext_first", "ext_second"}) {
    Seen().clear();
    Prepare(std::string(".code main\npush.v self.c vflags=10\npush.v self.a vflags=10\ncall.i ") + name +
            " 2\nret.v\n");
    RunMain();
    EXPECT_EQ(Error(), "") << name;
    EXPECT_EQ(g_extensionIndex, name[4] == 'f' ? 0 : 1);
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].args, (std::vector<std::string>{"A", "3"}));
    EXPECT_EQ(ResultText(), "done");
  }
  Extension_StandInSetCaller(nullptr);
}

// --- scripts -----------------------------------------------------------------------------------------

TEST_F(CallTest, ScriptsSeeTheirArgumentsAndScriptExecuteShiftsThemByOne) {
  SetNames(Script_SetNames, {"scr", "scr2"});
  const std::string scripts =
      ".code scr\ncall.i record 0\npopz.v\npush.v self.c vflags=10\nret.v\n"
      ".code scr2\ncall.i record 0\npopz.v\npush.v self.b vflags=10\nret.v\n";
  // call by id: scr gets (A, B); the caller's own (empty) list is back afterwards.
  Prepare(".code main\npush.v self.b vflags=10\npush.v self.a vflags=10\ncall.i scr 2\ncall.i record 0\n"
          "popz.v\nret.v\n" + scripts);
  RunMain();
  EXPECT_EQ(Error(), "");
  ASSERT_EQ(Seen().size(), 2u);
  EXPECT_EQ(Seen()[0].argumentCount, 2);
  EXPECT_EQ(Seen()[0].callArgs, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(Seen()[1].argumentCount, 0);
  EXPECT_EQ(ResultText(), "3");

  // script_execute(idx, A, B): script idx runs with (A, B).
  for (int32_t index : {0, 1}) {
    Seen().clear();
    Prepare(".code main\npush.v self.b vflags=10\npush.v self.a vflags=10\npush.v self.idx vflags=10\n"
            "call.i script_execute 3\nret.v\n" + scripts);
    SetReal(m_runner, 100003, index);
    RunMain();
    EXPECT_EQ(Error(), "");
    ASSERT_EQ(Seen().size(), 1u);
    EXPECT_EQ(Seen()[0].argumentCount, 2);
    EXPECT_EQ(Seen()[0].callArgs, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ResultText(), index == 0 ? "3" : "B");
    RValue_Release(&m_result);  // the arguments' references were released, the result's is gone now
    EXPECT_EQ(m_runner->m_slots[0].pString->refCount, 1);
    EXPECT_EQ(m_runner->m_slots[1].pString->refCount, 1);
  }
  // The script index held in a string is released with the slot it came in.
  Seen().clear();
  Prepare(".code main\npush.v self.b vflags=10\npush.v self.a vflags=10\ncall.i script_execute 2\nret.v\n" + scripts);
  SetText(m_runner, 100000, "1");
  RunMain();
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "B");
  RValue_Release(&m_result);
  EXPECT_EQ(m_runner->m_slots[0].pString->refCount, 1);
  EXPECT_EQ(m_runner->m_slots[1].pString->refCount, 1);
}

LoadedProgram* g_traceProgram = nullptr;

TEST_F(CallTest, TheTraceLineNamesTheScriptNotItsCodeEntry) {
  SetNames(Script_SetNames, {"move_player"});
  g_traceProgram = &m_program;
  // A translated game's code entry carries a prefix the script's own name does not.
  VM_SetScriptCodeLookup([](int32_t index) -> CCode* {
    if (!Script_Exists(index)) return nullptr;
    for (auto& code : g_traceProgram->codes) {
      if (code != nullptr && std::string(code->name) == std::string("tll_Script_") + Script_Name(index)) {
        return code.get();
      }
    }
    return nullptr;
  });
  const bool trace = g_RunnerOptions.trace;
  const bool fast = VM_FastLoopEnabled();
  g_RunnerOptions.trace = true;
  tagIConsole* previous = g_pDebugConsole;
  for (bool fastLoop : {false, true}) {
    VM_SetFastLoopEnabled(fastLoop);
    TErrStreamConsole log;
    g_pDebugConsole = &log;
    Prepare(".code main\ncall.i move_player 0\nret.v\n.code tll_Script_move_player\npush.i.i 5\nret.i\n");
    RunMain();
    g_pDebugConsole = previous;
    EXPECT_EQ(Error(), "");
    EXPECT_EQ(ResultText(), "5");
    const std::string text = log.Text();
    EXPECT_NE(text.find("script call = move_player\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("tll_Script_"), std::string::npos) << text;
  }
  VM_SetFastLoopEnabled(fast);
  g_RunnerOptions.trace = trace;
}

TEST_F(CallTest, MissingScriptsAndScriptsWithoutCode) {
  SetNames(Script_SetNames, {"scr", "gone"});
  Prepare(".code main\npush.v self.idx vflags=10\ncall.i script_execute 1\nret.v\n.code scr\nret.e\n");
  SetReal(m_runner, 100003, 7);
  RunMain();
  EXPECT_EQ(Error(), "call to non-existent script\n");
  EXPECT_EQ(ResultText(), "-1");

  // A script whose code object has no byte code gives the real 0 in place of its arguments.
  RuntimeErrorCapture::Reset();
  Prepare(".code main\npush.i.i 4\npush.v self.a vflags=10\npush.v self.b vflags=10\ncall.i scr 2\npopz.v\nret.i\n"
          ".code scr\nret.e\n");
  m_program.Code(2)->code->length = 0;
  VMBuffer* buffer = m_program.Code(2)->code;
  m_program.Code(2)->code = nullptr;
  RunMain();
  m_program.Code(2)->code = buffer;
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "4");
  EXPECT_EQ(m_runner->m_slots[0].pString->refCount, 1);
}

TEST_F(CallTest, StoredCallsOutsideTheirRangesStop) {
  struct Case {
    const char* body;
    int32_t id;  // replaces the operand of the call; 0 keeps it
    const char* error;
  } cases[] = {
      {"call.i record 3", 0, "call: 3 arguments are not on the stack"},
      {"call.i record -1", 0, "call: -1 arguments are not on the stack"},
      {"call.i record 0", 77777, "call: no built-in function with id 77777"},
      {"call.i record 0", -5, "call: no built-in function with id -5"},
      {"call.i record 0", 499999, "call: script_execute without the script to run"},
      {"call.v 0", 0, "DoCall :: Execution Engine type error"},
  };
  for (const Case& c : cases) {
    RuntimeErrorCapture::Reset();
    Prepare(std::string(".code main\n") + c.body + "\nret.v\n");
    if (c.id != 0) std::memcpy(m_program.Code(1)->code->code + 4, &c.id, 4);
    RunMain();
    EXPECT_EQ(Error(), c.error) << c.body;
    EXPECT_EQ(ResultText(), "-1");
  }
}

// --- nested runs -------------------------------------------------------------------------------------

CCode* g_nestCode = nullptr;
int32_t g_nestCalls = 0;
void Nest(RValue* result, CInstance* self, CInstance* other, int32_t, RValue*) {
  ++g_nestCalls;
  VM_ExecuteCode(g_nestCode, self, other, result, nullptr, 0, nullptr, 0, nullptr);
}

TEST_F(CallTest, RunsNestedThroughBuiltinsStopAtTheLimitAndTheCallersGoOn) {
  Builtin_Add("nest", &Nest, 0, 0);
  Prepare(".code main\ncall.i nest 0\npopz.v\npush.i.i 7\nret.i\n");
  g_nestCode = m_program.Code(1);
  g_nestCalls = 0;
  tagIConsole* previous = g_pDebugConsole;
  TErrStreamConsole log;
  g_pDebugConsole = &log;
  RunMain();
  g_pDebugConsole = previous;
  EXPECT_EQ(g_nestCalls, kVMMaxNestedContexts);
  EXPECT_EQ(ResultText(), "7");
  const std::string text = log.Text();
  const std::string line = "Stack overflow... main\n";
  ASSERT_NE(text.find(line), std::string::npos) << text;
  EXPECT_EQ(text.find(line), text.rfind(line));  // reported once
  EXPECT_EQ(VM_CurrentContext(), nullptr);
}

// A built-in that runs script "scr2" with two arguments through the script table, noting the
// current call's arguments before and after.
struct PerformView {
  int32_t countBefore = -1, countAfter = -1;
  RValue* listBefore = nullptr;
  RValue* listAfter = nullptr;
  std::string result;
};
PerformView g_perform;
const char* g_performScript = "scr2";
void Perform(RValue* result, CInstance* self, CInstance* other, int32_t, RValue*) {
  g_perform.countBefore = VM_ArgumentCount();
  g_perform.listBefore = VM_Arguments();
  RValue args[2];
  RValue_InitString(&args[0], "first");
  args[1] = RValue_MakeReal(2);
  RValue scriptResult = RValue_MakeReal(0);
  Script_Perform(Script_Find(g_performScript), self, other, 2, &scriptResult, args);
  g_perform.countAfter = VM_ArgumentCount();
  g_perform.listAfter = VM_Arguments();
  g_perform.result = TextOf(&scriptResult);
  RValue_Release(&scriptResult);
  RValue_Assign(result, &args[0]);  // released by the run: undefined
}

// A translated script: records the current call's arguments and gives 3.
RValue* NativeScript(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  RecordCall(result, self, other, 0, nullptr);
  RValue_Release(result);
  *result = RValue_MakeReal(3);
  return result;
}
const LinkFunction kNativeScript{"nat", reinterpret_cast<void*>(&NativeScript)};

TEST_F(CallTest, AScriptRunFromABuiltinSeesItsArgumentsAndLeavesTheCallersAlone) {
  SetNames(Script_SetNames, {"scr", "scr2", "nat"});
  Script_Data(2)->m_pNative = &kNativeScript;
  Builtin_Add("perform", &Perform, 0, 0);
  // main calls scr with (A); scr calls perform, which runs scr2 with ("first", 2).
  Prepare(".code main\npush.v self.a vflags=10\ncall.i scr 1\nret.v\n"
          ".code scr\ncall.i perform 0\npopz.v\ncall.i record 0\nret.v\n"
          ".code scr2\ncall.i record 0\npopz.v\npush.v self.c vflags=10\nret.v\n");
  // The table's scr2 runs the loaded code entry.
  Script_Data(1)->m_pCode = m_program.codes[3].release();
  RunMain();
  EXPECT_EQ(Error(), "");
  ASSERT_EQ(Seen().size(), 2u);
  EXPECT_EQ(Seen()[0].argumentCount, 2);  // in scr2
  EXPECT_EQ(Seen()[0].callArgs, (std::vector<std::string>{"first", "2"}));
  EXPECT_EQ(g_perform.result, "3");
  EXPECT_EQ(g_perform.countBefore, 1);
  EXPECT_EQ(g_perform.countAfter, 1);
  EXPECT_EQ(g_perform.listAfter, g_perform.listBefore);
  EXPECT_EQ(Seen()[1].argumentCount, 1);  // back in scr
  EXPECT_EQ(Seen()[1].callArgs, (std::vector<std::string>{"A"}));
  EXPECT_EQ(ResultText(), "done");

  // The same for a translated script.
  Seen().clear();
  g_perform = {};
  g_performScript = "nat";
  RunMain();
  g_performScript = "scr2";
  ASSERT_EQ(Seen().size(), 2u);
  EXPECT_EQ(Seen()[0].callArgs, (std::vector<std::string>{"first", "2"}));
  EXPECT_EQ(g_perform.result, "3");
  EXPECT_EQ(g_perform.countAfter, 1);
  EXPECT_EQ(g_perform.listAfter, g_perform.listBefore);
  EXPECT_EQ(Seen()[1].callArgs, (std::vector<std::string>{"A"}));
}

// --- with-blocks ---------------------------------------------------------------------------------------

// Object indices: the runner's object is 0.
constexpr int32_t kNone = 1;
constexpr int32_t kOne = 2;
constexpr int32_t kTwo = 3;
constexpr int32_t kThree = 4;

class WithTest : public CallTest {
 protected:
  void SetUp() override {
    CallTest::SetUp();
    m_none = NewObject("none");
    m_one = NewObject("one");
    m_two = NewObject("two");
    m_three = NewObject("three");
    ASSERT_EQ(m_none->index, kNone);
    ASSERT_EQ(m_three->index, kThree);
  }
  // Loads a with-block over `target` whose body records self and other, then records them after
  // the block; makes the runner, the other and the instances of each object.
  void PrepareWith(int32_t target, const std::string& body = "") {
    Prepare(".code main\npush.i " + std::to_string(target) +
            "\npushenv end\nstart:\ncall.i record 0\npopz.v\n" + body + "end:\npopenv start\nafter:\n"
            "call.i record 0\npopz.v\n");
    NewInstance(m_one, 100010);
    NewInstance(m_two, 100020);
    NewInstance(m_two, 100021);
    NewInstance(m_three, 100030);
    NewInstance(m_three, 100031);
    NewInstance(m_three, 100032);
  }
  // Self of every recorded call; the last is the one after the block.
  static std::vector<std::pair<int32_t, int32_t>> Visits() {
    std::vector<std::pair<int32_t, int32_t>> visits;
    for (const SeenCall& c : Seen()) visits.emplace_back(c.self, c.other);
    return visits;
  }

  CObject* m_none = nullptr;
  CObject* m_one = nullptr;
  CObject* m_two = nullptr;
  CObject* m_three = nullptr;
};

using Visit = std::pair<int32_t, int32_t>;

TEST_F(WithTest, VisitsNoneOneTwoAndThreeTargetsInTheirOrderAndRestoresSelfAndOther) {
  const Visit after{kRunnerId, kOtherId};
  struct Case {
    int32_t target;
    std::vector<Visit> visits;  // inside the block
  };
  const Case cases[] = {
      {kNone, {}},
      {kOne, {{100010, kRunnerId}}},
      {kTwo, {{100020, kRunnerId}, {100021, kRunnerId}}},
      {kThree, {{100032, kRunnerId}, {100031, kRunnerId}, {100030, kRunnerId}}},
      {-1, {{kRunnerId, kRunnerId}}},
      {-6, {{kRunnerId, kRunnerId}}},
      {-2, {{kOtherId, kRunnerId}}},
      {-4, {}},
      {-8, {}},
      {100021, {{100021, kRunnerId}}},
      {100099, {}},
      {999, {}},  // no such object
      {-3,  // every instance of the room, the last first
       {{100032, kRunnerId}, {100031, kRunnerId}, {100030, kRunnerId}, {100021, kRunnerId}, {100020, kRunnerId},
        {100010, kRunnerId}, {kOtherId, kRunnerId}, {kRunnerId, kRunnerId}}},
  };
  for (const Case& c : cases) {
    Seen().clear();
    const int32_t target = c.target;
    PrepareWith(target);
    RunMain();
    EXPECT_EQ(Error(), "") << target;
    std::vector<Visit> expected = c.visits;
    expected.push_back(after);
    EXPECT_EQ(Visits(), expected) << target;
  }
  // A destroyed instance is no target: two remain, visited in list order.
  Seen().clear();
  PrepareWith(m_three->index);
  Instance_Find(100031)->marked = true;
  RunMain();
  EXPECT_EQ(Visits(), (std::vector<Visit>{{100030, kRunnerId}, {100032, kRunnerId}, after}));
}

TEST_F(WithTest, BreakOutOfABlockOverThreeRestoresAtOnceAndFreesTheArray) {
  const std::string breakOut = "popenv start raw=0xbbf00000\nb after\n";
  PrepareWith(m_three->index, breakOut);
  RunMain();  // warm up
  Seen().clear();
  const int64_t before = MemoryManager_BytesInUse();
  RunMain();
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(Visits(), (std::vector<Visit>{{100032, kRunnerId}, {kRunnerId, kOtherId}}));
  // Two targets and one: the break leaves after the first.
  for (CObject* object : {m_two, m_one}) {
    Seen().clear();
    PrepareWith(object->index, breakOut);
    RunMain();
    ASSERT_EQ(Visits().size(), 2u);
    EXPECT_EQ(Visits()[1], (Visit{kRunnerId, kOtherId}));
  }
}

TEST_F(WithTest, AnInstanceAlsoWaitingInAQueueIsVisitedOnce) {
  PrepareWith(m_three->index);
  ObjectChangeList.AddUnique(Instance_Find(100030));  // also in the object's list
  CInstance* activated = NewInstance(m_three, 100040, false);
  Room_ActivationQueue.AddUnique(activated);
  Room_ActivationQueue.AddUnique(Instance_Find(100032));
  RunMain();
  EXPECT_EQ(Visits(), (std::vector<Visit>{{100040, kRunnerId}, {100032, kRunnerId}, {100031, kRunnerId},
                                          {100030, kRunnerId}, {kRunnerId, kOtherId}}));
  // Listed twice in the object's inclusive list (it left a former parent's list only at deletion):
  // still once, in the place of its first node; and the next block collects everyone afresh.
  m_three->instances_recursive.Append(Instance_Find(100031));
  for (int run = 0; run < 2; ++run) {
    Seen().clear();
    RunMain();
    EXPECT_EQ(Visits(), (std::vector<Visit>{{100040, kRunnerId}, {100032, kRunnerId}, {100031, kRunnerId},
                                            {100030, kRunnerId}, {kRunnerId, kOtherId}}))
        << run;
  }
  m_three->instances_recursive.Remove(Instance_Find(100031));
}

TEST_F(WithTest, BlocksLeftOpenByExitAreClosedWithTheirCall) {
  SetNames(Script_SetNames, {"scr"});
  // scr leaves a with over three by exit; main goes on with its own self and other.
  const std::string source = ".code main\ncall.i scr 0\npopz.v\ncall.i record 0\npopz.v\n"
                             ".code scr\npush.i 4\npushenv end\nstart:\nexit.i\nend:\npopenv start\n";
  Prepare(source);
  for (int32_t id : {100030, 100031, 100032}) NewInstance(m_three, id);
  RunMain();  // warm up
  Seen().clear();
  const int64_t before = MemoryManager_BytesInUse();
  RunMain();
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
  EXPECT_EQ(Visits(), (std::vector<Visit>{{kRunnerId, kOtherId}}));
  // Left open at the end of the outermost code.
  Prepare(".code main\npush.i 4\npushenv end\nstart:\nret.e\nend:\npopenv start\n");
  for (int32_t id : {100030, 100031, 100032}) NewInstance(m_three, id);
  RunMain();
  const int64_t again = MemoryManager_BytesInUse();
  RunMain();
  EXPECT_EQ(MemoryManager_BytesInUse(), again);
}

// Code that reads the frame's slots finds ids, never where the instances live in memory.
TEST_F(WithTest, TheWithFrameHoldsIdsNotAddresses) {
  // One target: [0][saved other][saved self], 8 bytes each; the single-slot dup reaches down.
  for (const auto& [reach, id] : {std::pair{"0x8004", kRunnerId}, std::pair{"0x8002", kOtherId}}) {
    Prepare(std::string(".code main\npush.i -1\npushenv end\nstart:\ndup.i ") + reach +
            "\nret.i\nend:\npopenv start\n");
    RunMain();
    EXPECT_EQ(Error(), "") << reach;
    EXPECT_EQ(ResultText(), std::to_string(id)) << reach;
  }
}

TEST_F(WithTest, WithErrors) {
  struct Case {
    std::string source;
    const char* error;
  } cases[] = {
      {".code main\npush.i -7\npushenv end\nend:\npopenv end\n", "Cannot use local in with statement"},
      {".code main\npush.i -5\npushenv end\nend:\npopenv end\n", "Cannot use global in with statement"},
      {".code main\nstart:\npopenv start\n", "popenv without a matching pushenv"},
      // A block whose stack was changed inside does not end at a popenv.
      {".code main\npush.i -1\npushenv end\nstart:\npush.i.i 1\nend:\npopenv start\n", "popenv without a matching pushenv"},
      {".code main\npushenv end\nend:\npopenv end\n", "pushenv: no target on the stack"},
      {".code main\npush.i -1\npushenv end raw=0xba800002\nend:\npopenv end\n", "DoPushEnv :: Execution Engine type error"},
  };
  for (const Case& c : cases) {
    RuntimeErrorCapture::Reset();
    Prepare(c.source);
    RunMain();
    EXPECT_EQ(Error(), c.error) << c.source;
  }
}

}  // namespace
