// The six input-key scripts, driven through the input layer's message hooks and its step update
// as the runner drives them.
#include <gtest/gtest.h>

#include <initializer_list>

#include "core/stack_trace.h"
#include "game_fixture.h"
#include "io/input.h"
#include "lumbrix/kit.h"

namespace {

using InputKeysTest = LumbrixGameTest;
using Script = tll::ScriptFunction;

double Ask(Script script) {
  tll::Local result;
  RValue_InitString(&result, "stale");
  script(nullptr, nullptr, &result, 0, nullptr);
  EXPECT_EQ(g_pStackTrace, nullptr);
  return RValue_Kind(&result) == VALUE_REAL ? result.value.val : -1.0;
}

// Holds the keys for one step, asks the script, and lets them go again.
double AskHolding(Script script, std::initializer_list<int32_t> keys) {
  for (int32_t key : keys) IO_MsgKeyDown(key, false);
  IO_Update();
  const double answer = Ask(script);
  for (int32_t key : keys) IO_MsgKeyUp(key);
  IO_Update();
  IO_Update();
  return answer;
}

struct KeyScript {
  const char* name;
  Script script;
  int32_t arrow;
  int32_t letter;
  int32_t opposite;  // the arrow of the other direction, which must not count
};

const KeyScript kHeld[] = {
    {"key_left", tll_Script_key_left, 37, 65, 39},
    {"key_right", tll_Script_key_right, 39, 68, 37},
    {"key_up", tll_Script_key_up, 38, 87, 40},
    {"key_down", tll_Script_key_down, 40, 83, 38},
};
const KeyScript kPressed[] = {
    {"key_left_pressed", tll_Script_key_left_pressed, 37, 65, 39},
    {"key_right_pressed", tll_Script_key_right_pressed, 39, 68, 37},
};

TEST_F(InputKeysTest, EachHeldScriptAcceptsItsArrowItsLetterAndBoth) {
  for (const KeyScript& k : kHeld) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(AskHolding(k.script, {}), 0.0);
    EXPECT_EQ(AskHolding(k.script, {k.arrow}), 1.0);
    EXPECT_EQ(AskHolding(k.script, {k.letter}), 1.0);
    EXPECT_EQ(AskHolding(k.script, {k.arrow, k.letter}), 1.0);
    EXPECT_EQ(AskHolding(k.script, {k.opposite}), 0.0);
  }
}

TEST_F(InputKeysTest, APressedScriptIsOneOnlyInTheStepItsKeyWentDown) {
  for (const KeyScript& k : kPressed) {
    SCOPED_TRACE(k.name);
    for (int32_t key : {k.arrow, k.letter}) {
      SCOPED_TRACE(key);
      IO_MsgKeyDown(key, false);
      IO_Update();
      EXPECT_EQ(Ask(k.script), 1.0);
      IO_MsgKeyDown(key, true);  // the key repeats while held
      IO_Update();
      EXPECT_EQ(Ask(k.script), 0.0);
      IO_Update();
      EXPECT_EQ(Ask(k.script), 0.0);
      IO_MsgKeyUp(key);
      IO_Update();
      EXPECT_EQ(Ask(k.script), 0.0);
    }
    EXPECT_EQ(AskHolding(k.script, {k.opposite}), 0.0);
  }
}

TEST_F(InputKeysTest, LeftAndRightHeldTogetherAreBothOne) {
  IO_MsgKeyDown(37, false);
  IO_MsgKeyDown(68, false);
  IO_Update();
  EXPECT_EQ(Ask(tll_Script_key_left), 1.0);
  EXPECT_EQ(Ask(tll_Script_key_right), 1.0);
  EXPECT_EQ(Ask(tll_Script_key_left_pressed), 1.0);
  EXPECT_EQ(Ask(tll_Script_key_right_pressed), 1.0);
  EXPECT_EQ(Ask(tll_Script_key_up), 0.0);
}

}  // namespace
