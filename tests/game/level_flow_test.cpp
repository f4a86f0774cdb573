// The level flow: the controller takes the game from its first room to the menu, sets up every
// room, follows the player with the camera, ends a level on a win or a death and keeps the
// unlocked level in the save file; the menu; the spawners; the banner and the hack meter.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "io/load_save.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "level_flow.h"
#include "lumbrix_world.h"
#include "render/render_setters.h"

namespace {

using namespace lumbrix;

TEST_F(LevelFlowTest, TheFirstRoomSendsTheGameToTheMenuWithTheSavedLevel) {
  ToMenu();
  EXPECT_EQ(Num(C(), "menuLevelUnlocked"), 1) << "no save file";
  EXPECT_TRUE(GR_GetTextureInterpolation());
  EXPECT_EQ(Num(C(), "menuLevelTotal"), 6);
  EXPECT_EQ(Num(C(), "levelCurrent"), -1);
  EndGame();

  WriteSave(3);
  ToMenu();
  EXPECT_EQ(Num(C(), "menuLevelUnlocked"), 3);
}

TEST_F(LevelFlowTest, EveryRoomStartsAt60StepsWithViewZeroOneMeterAndNoMusic) {
  ToMenu({{kObChip, 600, 100}});
  for (int32_t room : {kRmMenu, kTestRoom}) {
    if (room != kRmMenu) Enter(room);
    SCOPED_TRACE(room);
    EXPECT_EQ(Num(C(), "room_speed"), 60) << "defined at 30";
    EXPECT_EQ(NumAt(C(), "view_visible", 0), 1);
    EXPECT_EQ(Num(C(), "view_enabled"), 1);
    ASSERT_EQ(InstancesOf(kObHackMeter).size(), 1u);
    EXPECT_EQ(InstancesOf(kObHackMeter)[0]->x, -147.0f);
    EXPECT_EQ(Num(C(), "levelComplete"), 0);
    EXPECT_EQ(Num(C(), "bgMusic"), -1);
  }
}

TEST_F(LevelFlowTest, TheMusicStartsInALevelOnceItsTimerIsBelowZeroAndStopsAtTheNextRoom) {
  ToMenu();
  Run(100);
  EXPECT_TRUE(Calls("audio_play_sound").empty()) << "never in the menu";
  Enter(kTestRoom);
  Run(61);
  EXPECT_TRUE(Calls("audio_play_sound").empty()) << "the timer is at 0";
  Run(1);
  EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 4 100 1"});
  const double music = Num(C(), "bgMusic");
  Run(5);
  EXPECT_EQ(Calls("audio_play_sound").size(), 1u) << "started once";
  CallLog().clear();
  Enter(kRmMenu);
  std::ostringstream stop;
  stop << "audio_stop_sound " << music;
  EXPECT_EQ(Calls("audio_stop_sound"), std::vector<std::string>{stop.str()});
  EXPECT_EQ(Num(C(), "bgMusic"), -1);
}

TEST_F(LevelFlowTest, OneChipBelow100WinsNothing) {
  IntoLevel({{kObChip, 600, 100}, {kObChip, 900, 100}, {kObPlayer, 0, 0}});
  Player();
  Write(InstancesOf(kObChip)[0], "hackPercent", 100);
  Write(InstancesOf(kObChip)[1], "hackPercent", 99.5);
  CallLog().clear();
  Ask(tll_Script_control_check_win, {kObControl});
  EXPECT_EQ(Num(C(), "levelComplete"), 0);
  EXPECT_TRUE(InstancesOf(kObLevelComplete).empty());
  EXPECT_TRUE(CallLog().empty());
  EXPECT_EQ(Saved(), -1) << "nothing stored";
}

TEST_F(LevelFlowTest, AWinStoresTheLargerLevelAndReturnsToTheMenuAfterTheBanner) {
  struct Case {
    double saved;        // -1: no save file (a first start)
    double level;        // the level won
    double unlocked;     // in memory after the win
    double stored;
    double selection;    // in the menu's first step
  };
  const Case cases[] = {
      {-1, 0, 1, 1, 1},
      {-1, 5, 6, 6, 5},  // the last level: the menu clamps the selection
      {3, 0, 3, 3, 3},   // replaying an earlier level keeps what is unlocked, in the file too
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    std::filesystem::remove_all(m_saveRoot + "/Lumbrix");
    if (c.saved >= 0) WriteSave(c.saved);
    IntoLevel({{kObChip, 600, 100}, {kObPlayer, 0, 0}});
    CInstance* player = Player();
    Write(player, "grindSound", 5);
    Write(C(), "menuLevelCurrent", c.level);
    Write(C(), "levelCurrent", c.level);
    Write(InstancesOf(kObChip)[0], "hackPercent", 100);
    Write(C(), "bgMusic", 2);
    CallLog().clear();

    Ask(tll_Script_control_check_win, {kObControl});
    EXPECT_EQ(Num(C(), "levelComplete"), 1);
    EXPECT_EQ(Num(player, "grindSound"), -1);
    EXPECT_EQ(Calls("audio_stop_sound"), std::vector<std::string>{"audio_stop_sound 5"});
    EXPECT_EQ(InstancesOf(kObLevelComplete).size(), 1u);
    EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 7 1 0"});
    EXPECT_EQ(Calls("audio_sound_gain"), std::vector<std::string>{"audio_sound_gain 2 0 4000"});
    EXPECT_EQ(Saved(), c.stored);

    // The win came between steps, as at the end of the step that won: the menu comes 240 steps
    // after that one.
    Run(240);
    EXPECT_EQ(Room_CurrentIndex, kTestRoom);
    Run(1);
    EXPECT_EQ(Room_CurrentIndex, kRmMenu);
    EXPECT_EQ(Num(C(), "menuLevelUnlocked"), c.unlocked);
    EXPECT_EQ(Num(C(), "menuLevelCurrent"), c.unlocked);
    Run(1);
    EXPECT_EQ(Num(C(), "menuLevelCurrent"), c.selection);
    EndGame();
  }
}

TEST_F(LevelFlowTest, ADeadPlayersLevelEndsAfterItsTimerWithTheSelectionKept) {
  IntoLevel({{kObPlayer, 0, 0}});
  Player(0);
  Write(C(), "menuLevelCurrent", 2);
  Write(C(), "levelEndTimer", 180);
  Run(180);
  EXPECT_EQ(Room_CurrentIndex, kTestRoom);
  Run(1);
  EXPECT_EQ(Room_CurrentIndex, kRmMenu);
  EXPECT_EQ(Num(C(), "menuLevelCurrent"), 2);
}

TEST_F(LevelFlowTest, WithoutAPlayerTheCameraDeathAndZoomStepsDoNothing) {
  IntoLevel({{kObChip, 600, 100}});
  const double xview = NumAt(C(), "view_xview", 0);
  Run(300);
  EXPECT_EQ(Room_CurrentIndex, kTestRoom);
  EXPECT_EQ(Num(C(), "viewScale"), 1.2);
  EXPECT_EQ(Num(C(), "viewAngle"), 0);
  EXPECT_EQ(NumAt(C(), "view_xview", 0), xview);
}

TEST_F(LevelFlowTest, TheViewZoomsInInsideAChipAndOutOnTheWires) {
  IntoLevel({{kObChip, 600, 100}, {kObPlayer, 0, 0}});
  CInstance* player = Player(3, InstancesOf(kObChip)[0]->id);
  Run(1);
  EXPECT_NEAR(Num(C(), "viewScale"), 1.19, 1e-9);
  Run(19);
  EXPECT_NEAR(Num(C(), "viewScale"), 1.0, 1e-9);
  Run(5);
  EXPECT_NEAR(Num(C(), "viewScale"), 1.0, 1e-9) << "kept in [1, 1.2]";
  EXPECT_NEAR(NumAt(C(), "view_wview", 0), 1024.0 * 1024 / 768, 1e-3);
  Write(player, "chip", -1);
  Run(1);
  EXPECT_NEAR(Num(C(), "viewScale"), 1.01, 1e-9);
  Run(25);
  EXPECT_NEAR(Num(C(), "viewScale"), 1.2, 1e-9);
  EXPECT_NEAR(NumAt(C(), "view_wview", 0), 1638.4, 1e-3);
  EXPECT_NEAR(NumAt(C(), "view_hview", 0), 1228.8, 1e-3);
}

// --- the menu ------------------------------------------------------------------------------------

TEST_F(LevelFlowTest, TheMenu) {
  constexpr int32_t kLeftArrow[] = {96, 192};
  constexpr int32_t kRightArrow[] = {544, 192};
  constexpr int32_t kStart[] = {256, 384};
  struct Case {
    const char* what;
    double selection, unlocked;
    const int32_t* click;  // null: none
    int32_t key;           // held for three steps; 0: none
    double after;          // the selection
    int32_t room;          // the room after the step
  };
  const Case cases[] = {
      {"left arrow at the first level", 0, 1, kLeftArrow, 0, 0, kRmMenu},
      {"right arrow at the last level", 5, 6, kRightArrow, 0, 5, kRmMenu},
      {"right arrow", 2, 6, kRightArrow, 0, 3, kRmMenu},
      {"left arrow", 2, 6, kLeftArrow, 0, 1, kRmMenu},
      {"a locked level", 3, 1, kStart, 0, 3, kRmMenu},
      {"a held key moves once", 2, 6, nullptr, 39, 3, kRmMenu},
      {"after the last level is won", 6, 6, nullptr, 0, 5, kRmMenu},
      {"start after the last level is won", 6, 6, kStart, 0, 5, kRmMenu},
      {"start", 1, 1, kStart, 39, 1, 6},  // rm_levelGuitar; the key is not read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ToMenu();
    Write(C(), "menuLevelCurrent", c.selection);
    Write(C(), "menuLevelUnlocked", c.unlocked);
    MouseMove(0, 0);
    if (c.key != 0) KeyDown(c.key);
    if (c.click != nullptr) Click(c.click[0], c.click[1]);
    Run(1);
    EXPECT_EQ(Room_CurrentIndex, c.room);
    if (c.room == kRmMenu) {
      if (c.click != nullptr) MouseUp(1, c.click[0], c.click[1]);
      Run(c.key != 0 ? 2 : 0);
    } else {
      EXPECT_EQ(Num(C(), "levelCurrent"), c.selection);
    }
    EXPECT_EQ(Num(C(), "menuLevelCurrent"), c.after);
    if (c.key != 0) KeyUp(c.key);
    EndGame();
  }
}

TEST_F(LevelFlowTest, TheMenusButtonsShowWhatTheyCanDo) {
  ToMenu();
  const CInstance* left = InstancesOf(kObArrow)[0];
  const CInstance* right = InstancesOf(kObArrow)[1];
  if (Num(left, "levelAdd") > 0) std::swap(left, right);
  const CInstance* start = InstancesOf(kObStart).at(0);
  const CInstance* exit = InstancesOf(kObExit).at(0);
  EXPECT_EQ(Num(start, "scale"), 1);

  MouseMove(256, 512);  // over exit
  Run(1);
  EXPECT_EQ(Num(left, "image_alpha"), 0.5) << "the first level is selected";
  EXPECT_EQ(Num(right, "image_alpha"), 1);
  EXPECT_EQ(Num(exit, "image_index"), 1);
  EXPECT_EQ(Num(start, "image_index"), 0);
  EXPECT_EQ(Num(start, "image_alpha"), 1);

  Write(C(), "menuLevelCurrent", 5);
  Write(C(), "menuLevelUnlocked", 1);
  MouseMove(256, 384);  // over start, locked
  Run(1);
  EXPECT_EQ(Num(left, "image_alpha"), 1);
  EXPECT_EQ(Num(right, "image_alpha"), 0.5);
  EXPECT_EQ(Num(start, "image_alpha"), 0.5);
  EXPECT_EQ(Num(start, "image_index"), 0) << "no highlight on a locked level";
  EXPECT_EQ(Num(exit, "image_index"), 0);
}

TEST_F(LevelFlowTest, AClickOnExitEndsTheGame) {
  ToMenu();
  Click(256, 512);
  EXPECT_EQ(Run(1), 1);
  EXPECT_TRUE(m_ended);
}

TEST_F(LevelFlowTest, FromTheFirstRoomThroughTheMenuIntoTheTutorial) {
  StartIn(kRmFirst, {}, kRmMenu);
  Click(256, 384);
  Run(1);
  ASSERT_EQ(Room_CurrentIndex, kRmTutorial);
  EXPECT_EQ(Num(C(), "levelCurrent"), 0);
  EXPECT_FALSE(InstancesOf(kObEdgelist).empty()) << "the board is built";
  EXPECT_EQ(InstancesOf(kObHackMeter).size(), 1u);
}

// --- the banner and the hack meter ---------------------------------------------------------------

TEST_F(LevelFlowTest, TheBannerTypesItselfOut) {
  IntoLevel({{kObChip, 600, 100}});
  Write(InstancesOf(kObChip)[0], "hackPercent", 100);
  Ask(tll_Script_control_check_win, {kObControl});
  CInstance* banner = InstancesOf(kObLevelComplete).at(0);
  struct Case {
    int32_t draws;
    double timer;
    const char* shown;
  };
  const Case cases[] = {{1, 119, ""}, {8, 112, "H"}, {30, 90, "HACK"}, {120, 0, "HACKING_COMPLETE."},
                        {125, -5, "HACKING_COMPLETE."}};
  int32_t drawn = 0;
  for (const Case& c : cases) {
    for (; drawn < c.draws; ++drawn) {
      CallLog().clear();
      tll_Object_ob_level_complete_Draw_64(banner, banner);
    }
    EXPECT_EQ(Num(banner, "timer"), c.timer);
    EXPECT_EQ(Calls("draw_text"), std::vector<std::string>{std::string("draw_text 512 364 \"") + c.shown + "\""});
  }
  EXPECT_EQ(Calls("draw_set_halign"), (std::vector<std::string>{"draw_set_halign 1", "draw_set_halign 0"}));
}

TEST_F(LevelFlowTest, TheHackMeterSlidesInWhileThePlayerIsInAChip) {
  IntoLevel({{kObChip, 600, 100}, {kObPlayer, 0, 0}});
  CInstance* chip = InstancesOf(kObChip)[0];
  Write(chip, "hackPercent", 50);
  CInstance* player = Player(3, chip->id);
  CInstance* meter = InstancesOf(kObHackMeter).at(0);
  for (int32_t i = 0; i < 25; ++i) tll_Object_ob_hack_meter_Draw_64(meter, meter);
  CallLog().clear();
  tll_Object_ob_hack_meter_Draw_64(meter, meter);
  EXPECT_EQ(Calls("draw_sprite"), std::vector<std::string>{"draw_sprite 16 0 0 0"}) << "fully in after 25 steps";
  // The bar runs from 12 to 130 pixels right of the meter's edge, as far as the chip's progress.
  const double edge = meter->x;
  std::ostringstream bar;
  bar << "draw_roundrect " << edge + 12 << " 24 " << edge + 12 + 118 * 0.5 << " 64 0";
  EXPECT_EQ(Calls("draw_roundrect"), std::vector<std::string>{bar.str()});

  Write(player, "chip", -1);
  const float before = meter->x;
  tll_Object_ob_hack_meter_Draw_64(meter, meter);
  EXPECT_EQ(meter->x, 0.0f - 6) << "clamped to 0, then out by 6";
  EXPECT_LT(meter->x, before);
  for (int32_t i = 0; i < 30; ++i) tll_Object_ob_hack_meter_Draw_64(meter, meter);
  CallLog().clear();
  tll_Object_ob_hack_meter_Draw_64(meter, meter);
  EXPECT_EQ(Calls("draw_sprite"), std::vector<std::string>{"draw_sprite 16 0 -147 0"});
  EXPECT_TRUE(Calls("draw_roundrect").empty());
}

TEST_F(LevelFlowTest, WithoutAPlayerTheMeterStaysWhereItIs) {
  IntoLevel({{kObChip, 600, 100}});
  CInstance* meter = InstancesOf(kObHackMeter).at(0);
  meter->x = -60;
  CallLog().clear();
  for (int32_t i = 0; i < 3; ++i) tll_Object_ob_hack_meter_Draw_64(meter, meter);
  EXPECT_EQ(meter->x, -60.0f);
  EXPECT_EQ(Calls("draw_sprite").size(), 3u);
  EXPECT_TRUE(Calls("draw_roundrect").empty());
}

// --- the spawners --------------------------------------------------------------------------------

TEST_F(LevelFlowTest, SpawnersFireOnceInTheRoomsFirstStepAfterEveryCreate) {
  // The spawners come before the wire they attach to.
  IntoLevel({{kObTextSpawner, 10, 10}, {kObPlayerSpawn, 250, 160}, {0 /* ob_wire_horizontal */, 100, 200}});
  const CInstance* spawner = InstancesOf(kObPlayerSpawn).at(0);
  EXPECT_EQ(NumAt(spawner->id, "alarm", 0), 1);
  EXPECT_EQ(NumAt(InstancesOf(kObTextSpawner).at(0)->id, "alarm", 0), 1);
  WriteGlobal("_edgelist", -7);
  CallLog().clear();
  Run(1);
  // The player spawner found the wire made after it, 40 pixels above its middle.
  ASSERT_EQ(InstancesOf(kObEdgelist).size(), 1u);
  EXPECT_EQ(GlobalNum("_edgelist"), InstancesOf(kObEdgelist)[0]->id);
  EXPECT_NEAR(GlobalNum("_edgelistT"), 0.5, 1e-9);
  EXPECT_EQ(Calls("draw_set_font"), std::vector<std::string>{"draw_set_font 2"}) << "the text spawner's";
  WriteGlobal("_edgelist", -7);
  CallLog().clear();
  Run(5);
  EXPECT_EQ(GlobalNum("_edgelist"), -7) << "fired once";
  EXPECT_TRUE(Calls("draw_set_font").empty());
}

}  // namespace
