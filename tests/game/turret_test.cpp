// Turrets: made by their spawner beside a chip, they unfold while the player is in it, turn,
// charge and fire; leaving, a hacked chip and a missing player stop them; and their drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "level_flow.h"
#include "lumbrix_world.h"
#include "world/commands.h"

namespace {

using namespace lumbrix;

// A wire into a chip from (400, 350) to (500, 450), and a turret above it pointing right.
const std::vector<LumbrixRecord> kGuarded = {
    {0, 100, 400}, {kObChip, 400, 350}, {0, 500, 400}, {kObTurretSpawner, 450, 300, 1, 1, -1, 0}};

class TurretTest : public LevelFlowTest {
 protected:
  // The level with its turret made and the player inside the chip below the turret, still.
  void Guarded() {
    IntoLevel(kGuarded);
    Ask(tll_Script_edgelist_get_nearest, {150, 400});
    const double id = Ask(tll_Script_ob_player_create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")});
    m_player = Instance_Find(static_cast<int32_t>(id));
    Run(1);  // the spawner's alarm
    ASSERT_EQ(InstancesOf(kObTurret).size(), 1u);
    m_turret = InstancesOf(kObTurret)[0];
    m_chip = InstancesOf(kObChip).at(0);
    Write(m_player, "chip", m_chip->id);
    m_player->x = 450;
    m_player->y = 400;
  }
  static bool Sounded(const char* call) {
    for (const std::string& line : CallLog()) {
      if (line.rfind(call, 0) == 0) return true;
    }
    return false;
  }
  double T(const char* name) const { return Num(m_turret, name); }

  CInstance* m_player = nullptr;
  CInstance* m_turret = nullptr;
  CInstance* m_chip = nullptr;
};

TEST_F(TurretTest, TheSpawnersTurretStandsAtItsPlaceAimedAlongItsAngleGuardingTheNearestChip) {
  IntoLevel({{kObChip, 400, 350}, {kObChip, 900, 350}, {kObTurretSpawner, 450, 300, 1, 1, -1, 135}});
  Run(1);
  ASSERT_EQ(InstancesOf(kObTurret).size(), 1u);
  const CInstance* turret = InstancesOf(kObTurret)[0];
  EXPECT_EQ(turret->x, 450);
  EXPECT_EQ(turret->y, 300);
  EXPECT_EQ(Num(turret, "faceDir"), 135);
  std::vector<CInstance*> chips = InstancesOf(kObChip);
  const double nearest = chips[0]->x < 600 ? chips[0]->id : chips[1]->id;
  EXPECT_EQ(Num(turret, "chip"), nearest);
  const struct {
    const char* name;
    double value;
  } kStart[] = {{"chargeSound", -1},       {"turnSpeed", 2},       {"deployTimerLength", 60}, {"chargeTimerLength", 100},
                {"shootTimerLength", 120}, {"range", 500}};
  for (const auto& v : kStart) EXPECT_EQ(Num(turret, v.name), v.value) << v.name;
}

// The whole cycle step by step: unfolding, turning, charging, firing and hitting once.
TEST_F(TurretTest, ItUnfoldsTurnsChargesAndFiresAtThePlayerInItsChip) {
  Guarded();
  EXPECT_EQ(T("deployTimer"), 0);
  int32_t unfolded = -1, charged = -1, fired = -1;
  std::vector<int32_t> hits;
  double face = T("faceDir"), hp = Num(m_player, "hp");
  for (int32_t step = 1; step <= 340; ++step) {
    CallLog().clear();
    const bool wasUnfolded = T("deployTimer") == 60;
    Run(1);
    const double turned = std::fabs(std::remainder(T("faceDir") - face, 360));
    ASSERT_LE(turned, 2 + 1e-6) << step;
    face = T("faceDir");
    if (unfolded < 0 && T("deployTimer") == 60) unfolded = step;
    if (Sounded("audio_play_sound 8 ")) {
      if (charged < 0) charged = step;
      EXPECT_TRUE(wasUnfolded);
      EXPECT_LT(std::fabs(std::remainder(face - 270, 360)), 2) << "aimed within 2 degrees";
    }
    if (Sounded("audio_play_sound 9 ") && fired < 0) fired = step;
    if (Num(m_player, "hp") < hp) hits.push_back(step);
    hp = Num(m_player, "hp");
    ASSERT_EQ(Room_CurrentIndex, kTestRoom) << step;
    if (fired > 0 && step > fired && step < fired + 119) {  // 120 steps of firing in all
      EXPECT_GT(T("shootTimer"), 0);
    }
  }
  EXPECT_EQ(unfolded, 60);
  EXPECT_GT(charged, unfolded);
  EXPECT_EQ(charged, unfolded + 46) << "45 steps of 2 degrees to turn 90";
  EXPECT_EQ(fired, charged + 98);
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(hits[0], fired);
  for (size_t i = 1; i < hits.size(); ++i) EXPECT_GE(hits[i] - hits[i - 1], 120);
}

TEST_F(TurretTest, LeavingDuringAChargeFoldsItSilentlyAndDuringAShotLetsTheShotFinish) {
  Guarded();
  Write(m_turret, "deployTimer", 60);
  Write(m_turret, "faceDir", 270);
  Run(2);
  ASSERT_GT(T("chargeTimer"), 0);
  const double sound = T("chargeSound");
  Write(m_player, "chip", -1);
  Write(m_player, "wireSpeed", 0);  // it stays out
  CallLog().clear();
  Run(1);
  std::ostringstream stop;
  stop << "audio_stop_sound " << sound;
  EXPECT_TRUE(Sounded(stop.str().c_str()));
  EXPECT_EQ(T("deployTimer"), 59);
  Run(120);
  EXPECT_FALSE(Sounded("audio_play_sound 9 "));
  EXPECT_EQ(T("deployTimer"), 0);
  // A shot under way runs on after the player has left.
  Write(m_turret, "deployTimer", 60);
  Write(m_turret, "chargeTimer", 2);
  Write(m_turret, "shootTimer", 0);
  Run(1);
  ASSERT_EQ(T("shootTimer"), 119);
  Run(118);
  EXPECT_EQ(T("deployTimer"), 60) << "still firing";
  Run(2);
  EXPECT_EQ(T("deployTimer"), 59);
}

TEST_F(TurretTest, AHackedChipFoldsItForGoodAndWithoutAPlayerNothingRuns) {
  Guarded();
  Write(m_turret, "deployTimer", 30);
  Write(m_chip, "hackPercent", 100);
  Run(40);
  EXPECT_EQ(T("deployTimer"), 0);
  EXPECT_FALSE(Sounded("audio_play_sound 8 "));
  // No player: the timers hold.
  Write(m_chip, "hackPercent", 0);
  Write(m_turret, "deployTimer", 60);
  Write(m_turret, "chargeTimer", 50);
  F_InstanceDestroy(m_player);
  Run(5);
  EXPECT_EQ(T("deployTimer"), 60);
  EXPECT_EQ(T("chargeTimer"), 50);
}

// Made in a room without chips it would guard -1, which also names a player on the wires.
TEST_F(TurretTest, ATurretGuardingNoChipStaysFoldedWhileThePlayerRidesTheWires) {
  Guarded();
  Write(m_player, "chip", -1);
  Write(m_player, "wireSpeed", 0);
  const double id = Ask(tll_Script_ob_turret_create, {600, 300, 0, -1});
  Run(80);
  EXPECT_EQ(Num(static_cast<int32_t>(id), "deployTimer"), 0);
  EXPECT_EQ(Num(static_cast<int32_t>(id), "chargeTimer"), 0) << "nothing runs";
}

TEST_F(TurretTest, TheBeamHitsAlongTheWholeSegmentFromItsCentre) {
  const struct {
    float x, y;
    bool hit;
  } kCases[] = {{450, 330, true},   // between the centre and the muzzle
                {476, 500, true},   // 26 pixels beside the beam
                {478, 500, false},  // 28 pixels beside it
                {450, 790, true},   // near the far end, outside the chip
                {450, 830, false}}; // beyond the range
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.y);
    Guarded();
    Write(m_player, "chip", m_chip->id);
    m_player->x = c.x;
    m_player->y = c.y;
    Write(m_turret, "faceDir", 270);
    Write(m_turret, "shootTimer", 50);
    const double hp = Num(m_player, "hp");
    Ask(tll_Script_ob_turret_step, {static_cast<double>(m_turret->id)});
    EXPECT_EQ(Num(m_player, "hp"), c.hit ? hp - 1 : hp);
    EndGame();
  }
}

TEST_F(TurretTest, ItsDrawingShowsTheBaseTheUnfoldingGunAndTheBeamInRed) {
  Guarded();
  Write(m_turret, "faceDir", 270);
  Write(m_turret, "deployTimer", 30);
  CallLog().clear();
  Ask(tll_Script_ob_turret_draw, {static_cast<double>(m_turret->id)});
  const std::vector<std::string> sprites = Calls("draw_sprite_ext");
  ASSERT_EQ(sprites.size(), 2u);
  EXPECT_EQ(sprites[0], "draw_sprite_ext 29 0 450 300 2 2 0 16777215 1");
  EXPECT_EQ(sprites[1].rfind("draw_sprite_ext 32 ", 0), 0u);
  EXPECT_NE(sprites[1].find(" 450 300 2 2 270 16777215 1"), std::string::npos) << sprites[1];
  EXPECT_EQ(Calls("draw_set_colour"), std::vector<std::string>{"draw_set_colour 255"});
  EXPECT_TRUE(Calls("draw_line").empty() && Calls("draw_line_width").empty());
  // Charging: a thin aiming line from the muzzle.
  Write(m_turret, "deployTimer", 60);
  Write(m_turret, "chargeTimer", 10);
  CallLog().clear();
  Ask(tll_Script_ob_turret_draw, {static_cast<double>(m_turret->id)});
  EXPECT_EQ(Calls("draw_line"), std::vector<std::string>{"draw_line 450 360 450 800"});
  // Firing: a beam 12 to 20 pixels wide.
  Write(m_turret, "shootTimer", 10);
  for (int32_t frame = 0; frame < 20; ++frame) {
    Write(C(), "frameCount", frame);
    CallLog().clear();
    Ask(tll_Script_ob_turret_draw, {static_cast<double>(m_turret->id)});
    const std::vector<std::string> beams = Calls("draw_line_width");
    ASSERT_EQ(beams.size(), 1u);
    std::istringstream in(beams[0]);
    std::string name;
    double x1, y1, x2, y2, w;
    in >> name >> x1 >> y1 >> x2 >> y2 >> w;
    EXPECT_NEAR(y1, 360, 1e-3);
    EXPECT_NEAR(y2, 800, 1e-3);
    EXPECT_GE(w, 12);
    EXPECT_LE(w, 20);
  }
}

}  // namespace
