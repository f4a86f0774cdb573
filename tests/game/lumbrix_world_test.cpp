// The game's world fixture itself: steps run, keys and the mouse reach the game through the
// input layer, the generator reseeds, variables are read and written by name, and the call log
// keeps the audio calls with their arguments.
#include <gtest/gtest.h>

#include "lumbrix/board.h"
#include "lumbrix_world.h"

namespace {

using LumbrixWorldFixtureTest = LumbrixWorldTest;

TEST_F(LumbrixWorldFixtureTest, StepsRunAndInputReachesTheGame) {
  StartWith({{lumbrix::kObChip, 10, 20}});
  EXPECT_EQ(Run(3), 3);
  EXPECT_EQ(Ask(tll_Script_key_left, {}), 0);
  KeyDown(37);
  Run(1);
  EXPECT_EQ(Ask(tll_Script_key_left, {}), 1);
  EXPECT_EQ(Ask(tll_Script_key_left_pressed, {}), 1);
  Run(1);
  EXPECT_EQ(Ask(tll_Script_key_left_pressed, {}), 0) << "pressed in one step only";
  KeyUp(37);
  Run(1);
  EXPECT_EQ(Ask(tll_Script_key_left, {}), 0);

  const CInstance* chip = InstancesOf(lumbrix::kObChip).at(0);
  MouseMove(120, 80);
  Run(1);
  EXPECT_EQ(Num(chip, "mouse_x"), 120);
  EXPECT_EQ(Num(chip, "mouse_y"), 80);
}

TEST_F(LumbrixWorldFixtureTest, VariablesByNameAndTheGenerator) {
  StartWith({{lumbrix::kObChip, 10, 20, 2.0f, 1.0f}});
  const CInstance* chip = InstancesOf(lumbrix::kObChip).at(0);
  EXPECT_EQ(Num(chip, "x"), 10);          // built-in
  EXPECT_EQ(Num(chip, "width"), 200);     // the instance's own
  Write(chip, "x", 40);
  Write(chip, "hackPercent", 12.5);
  EXPECT_EQ(chip->x, 40.0f);
  EXPECT_EQ(Num(chip, "hackPercent"), 12.5);
  WriteGlobal("_distance", 3);
  EXPECT_EQ(GlobalNum("_distance"), 3);

  Reseed(7);
  const double first = F_Random(1);
  Reseed(7);
  EXPECT_EQ(F_Random(1), first);
}

TEST_F(LumbrixWorldFixtureTest, TheCallLogKeepsAudioCallsWithTheirArguments) {
  StartWith({});
  tll::Local result;
  tll::Call(nullptr, nullptr, &result, lumbrix::fn::audio_play_sound, tll::Real(2), tll::Real(1), tll::Real(0));
  tll::Call(nullptr, nullptr, &result, lumbrix::fn::point_distance, tll::Real(0), tll::Real(0), tll::Real(3),
            tll::Real(4));
  EXPECT_EQ(CallLog(), std::vector<std::string>{"audio_play_sound 2 1 0"}) << "only drawing and audio are kept";
}

}  // namespace
