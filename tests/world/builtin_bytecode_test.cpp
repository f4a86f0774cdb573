// Byte code reads and writes the built-in variables through the interpreter: an instance's x and
// alarm, a room's view, the score, and a called script's arguments.
#include <gtest/gtest.h>

#include <string>

#include "runtime/run_state.h"
#include "vm/vm_world_support.h"
#include "world/builtin_variables.h"
#include "world/lifecycle.h"

namespace {

constexpr int32_t kSelfId = 100101;

class BuiltinBytecodeTest : public VMWorldTest {
 protected:
  void SetUp() override {
    VMWorldTest::SetUp();
    Variable_BuiltIn_Init();
    SetNames(Script_SetNames, {"scr"});
    m_object = NewObject("A");
    m_score = g_RunState.score;
  }
  void TearDown() override {
    g_RunState.score = m_score;
    VMWorldTest::TearDown();
  }
  // Loads `source` (its first code is entry 0) and runs it for a fresh instance at x 4.
  void RunFor(const std::string& source) {
    ClearInstances();
    RuntimeErrorCapture::Reset();
    Load(source);
    m_self = NewInstance(m_object, kSelfId);
    m_self->x = 4;
    Run(0, m_self, m_self);
  }

  CObject* m_object = nullptr;
  CInstance* m_self = nullptr;
  int32_t m_score = 0;
};

TEST_F(BuiltinBytecodeTest, InstanceRoomAndGameVariables) {
  RunFor(".code main\npush.v builtin.x vflags=10\nret.v\n");
  EXPECT_EQ(ResultText(), "4");

  RunFor(".code main\npush.d 7.5\npop.v.d builtin.x vflags=10\npush.v builtin.x vflags=10\nret.v\n");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(m_self->x, 7.5f);
  EXPECT_EQ(ResultText(), "7.50");

  // alarm[3]: the index on the stack; values are rounded.
  RunFor(".code main\npush.d 5.5\npush.i.i 3\npop.v.d builtin.alarm vflags=2\n"
         "push.i.i 3\npush.v builtin.alarm vflags=2\nret.v\n");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(m_self->alarm[3], 6);
  EXPECT_EQ(ResultText(), "6");

  m_room.views[1].view_x = 123;
  RunFor(".code main\npush.i.i 1\npush.v builtin.view_xview vflags=2\nret.v\n");
  EXPECT_EQ(ResultText(), "123");
  RunFor(".code main\npush.i.i 9\npush.i.i 1\npop.v.i builtin.view_xview vflags=2\nret.i\n");
  EXPECT_EQ(m_room.views[1].view_x, 9.0f);
  EXPECT_EQ(m_room.views[0].view_x, 0.0f);

  // The game's variables read without an instance too.
  RunFor(".code main\npush.i.i 40\npop.v.i builtin.score vflags=10\npush.b.v builtin.score\nret.v\n");
  EXPECT_EQ(g_RunState.score, 40);
  EXPECT_EQ(ResultText(), "40");

  // A read-only variable refuses the write.
  RunFor(".code main\npush.i.i 1\npop.v.i builtin.fps vflags=10\nret.i\n");
  EXPECT_NE(Error().find("read only variable"), std::string::npos) << Error();
}

TEST_F(BuiltinBytecodeTest, AScriptReadsAndWritesTheArgumentsItWasGiven) {
  RunFor(".code main\npush.i.i 20\nconv.i.v\npush.i.i 10\nconv.i.v\ncall.i scr 2\nret.v\n"
         ".code scr\npush.b.v builtin.argument0\npush.i.i 1\nadd.i.v\npop.v.v builtin.argument0 vflags=10\n"
         "push.b.v builtin.argument0\npush.b.v builtin.argument1\nadd.v.v\n"
         "push.b.v builtin.argument_count\nadd.v.v\nret.v\n");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "33");  // (10 + 1) + 20 + 2

  // Past the arguments given, argumentN reads undefined and cannot be written.
  RunFor(".code main\npush.i.i 1\nconv.i.v\ncall.i scr 1\nret.v\n"
         ".code scr\npush.i.i 5\npop.v.i builtin.argument3 vflags=10\npush.b.v builtin.argument3\nret.v\n");
  EXPECT_NE(Error().find("argument3"), std::string::npos) << Error();
}

TEST_F(BuiltinBytecodeTest, AnInstanceVariableReadWithoutAnInstanceDoesNotCrash) {
  Load(".code main\npush.b.v builtin.x\nret.v\n");
  Run(0, nullptr, nullptr);
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "0");
  // Read as self's without a self, the getter reports nothing and the interpreter says so.
  Load(".code main\npush.v builtin.x vflags=10\nret.v\n");
  Run(0, nullptr, nullptr);
  EXPECT_EQ(Error(), "Variable <unknown_object>.x(0, -2147483648) not set before reading it.");
}

}  // namespace
