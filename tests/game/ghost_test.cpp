// Ghosts: their spawners and start values, the controller keeping chasers apart, a chasing
// ghost's jumps on the wires and its hunt inside chips, a plain ghost sliding through a chip, the
// drawing with the trail, and ghosts riding into an idle player until it dies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "functions/random.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "level_flow.h"
#include "lumbrix_world.h"
#include "world/commands.h"

namespace {

using namespace lumbrix;

constexpr int32_t kHorizontal = 0;

struct Pt {
  double x;
  double y;
};

class GhostTest : public LevelFlowTest {
 protected:
  static double WireAt(double x, double y) {
    Ask(tll_Script_edgelist_get_nearest, {x, y});
    return GlobalNum("_edgelist");
  }
  // A mover made by `create` on the wire point nearest to (x, y).
  static CInstance* Mover(tll::ScriptFunction create, double x, double y) {
    Ask(tll_Script_edgelist_get_nearest, {x, y});
    const double id = Ask(create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")});
    CInstance* mover = Instance_Find(static_cast<int32_t>(id));
    EXPECT_NE(mover, nullptr);
    return mover;
  }
  static CInstance* Ghost(double x, double y, double type = 0) {
    CInstance* ghost = Mover(tll_Script_ob_ghost_create, x, y);
    Write(ghost, "type", type);
    return ghost;
  }
  static void Step(const CInstance* ghost, int32_t n = 1) {
    for (int32_t i = 0; i < n; ++i) Ask(tll_Script_ob_ghost_step, {static_cast<double>(ghost->id), 1});
  }
  // Puts a mover inside `chip` at (x, y), moving at (h, v) pixels a step.
  static void Inside(CInstance* mover, const CInstance* chip, float x, float y, double h, double v) {
    Write(mover, "chip", chip->id);
    mover->x = x;
    mover->y = y;
    Write(mover, "chipHspeed", h);
    Write(mover, "chipVspeed", v);
  }
  // The first seed whose first draw is above `limit` (or not above it).
  static int32_t SeedDrawing(bool above, double limit) {
    for (int32_t seed = 0;; ++seed) {
      Reseed(seed);
      if ((F_Random(1) > limit) == above) return seed;
    }
  }
};

// A wire from (100, 400) into a chip from (400, 350) to (500, 450), and one out of its right
// edge to (800, 400).
const std::vector<LumbrixRecord> kChipBoard = {{kHorizontal, 100, 400}, {kObChip, 400, 350}, {kHorizontal, 500, 400}};
// Three parallel wires 40 pixels apart: the middle one, one to its left (above) and one to its
// right (below) as seen travelling towards rising x.
const std::vector<LumbrixRecord> kRails = {{kHorizontal, 100, 400}, {kHorizontal, 100, 360}, {kHorizontal, 100, 440}};

// --- spawners and the controller ---------------------------------------------------------------

TEST_F(GhostTest, SpawnersMakeGhostsOnTheNearestWireWithTheirStartValues) {
  Reseed(7);
  IntoLevel({{kHorizontal, 100, 400},
             {kObGhostSpawner, 150, 420},
             {kObGhostSpawner, 250, 380, 1, -1},
             {kObChaserSpawner, 300, 410}});
  Run(1);
  std::vector<CInstance*> ghosts = InstancesOf(kObGhost);
  ASSERT_EQ(ghosts.size(), 3u);
  // The plain ones by their place on the wire, then the chaser.
  std::sort(ghosts.begin(), ghosts.end(), [](const CInstance* a, const CInstance* b) {
    return Num(a, "wireSpeed") != Num(b, "wireSpeed") ? Num(a, "wireSpeed") < Num(b, "wireSpeed")
                                                      : Num(a, "edgelistT") < Num(b, "edgelistT");
  });
  const struct {
    const char* name;
    double plain;
    double chaser;
  } kStart[] = {{"wireSpeed", 6, 8},          {"jumpEdgelist", -1, -1},        {"jumpSpeedT", 0.1, 0.1},
                {"chip", -1, -1},             {"chipFriction", 0.9, 0.9},      {"chipEnterTimerLength", 5, 5},
                {"size", 30, 30},             {"hp", 1, 1},                    {"deadTimerLength", 120, 120},
                {"type", 0, 1},               {"color", 0xFFFFFF, 0x2020FF}, {"chipNodeTarget", -1, -1}};
  for (const auto& v : kStart) {
    EXPECT_EQ(Num(ghosts[0], v.name), v.plain) << v.name;
    EXPECT_EQ(Num(ghosts[2], v.name), v.chaser) << v.name;
  }
  EXPECT_GE(Num(ghosts[0], "chipAccel"), 0.5);
  EXPECT_LT(Num(ghosts[0], "chipAccel"), 0.55);
  EXPECT_GE(Num(ghosts[2], "chipAccel"), 0.95);
  EXPECT_LT(Num(ghosts[2], "chipAccel"), 1.0);
  // On the nearest wire point, the mirrored one turned round.
  EXPECT_NEAR(Num(ghosts[0], "edgelistT") * 300, 50, 6 + 1e-6) << "at most one step ridden";
  EXPECT_NEAR(Num(ghosts[1], "edgelistT") * 300, 150, 6 + 1e-6);
  EXPECT_EQ(Num(ghosts[0], "forward"), 1);
  EXPECT_EQ(Num(ghosts[1], "forward"), 0);
  // A spawner made during a step spawns in the next one.
  F_InstanceCreate(200.0f, 400.0f, kObGhostSpawner);
  EXPECT_EQ(InstancesOf(kObGhost).size(), 3u);
  Run(1);
  EXPECT_EQ(InstancesOf(kObGhost).size(), 4u);
}

TEST_F(GhostTest, AChasingGhostIsPushedOffTheOtherInItsChipAndAPlainOneIsNot) {
  for (const double type : {1.0, 0.0}) {
    SCOPED_TRACE(type);
    IntoLevel(kChipBoard);
    const CInstance* chip = InstancesOf(kObChip).at(0);
    CInstance* a = Ghost(150, 400);
    CInstance* b = Ghost(150, 400, type);
    ASSERT_GT(b->id, a->id);
    Inside(a, chip, 440, 400, 0, 0);
    Inside(b, chip, 452, 400, 0, 0);
    Ask(tll_Script_control_ghost_collisions, {static_cast<double>(C())});
    EXPECT_NEAR(a->x, type == 1 ? 436 : 440, 1e-4);
    EXPECT_NEAR(b->x, type == 1 ? 456 : 452, 1e-4);
    EndGame();
  }
}

// --- the chasing ghost on the wires ------------------------------------------------------------

// The ghost waits on the middle rail heading right (wireSpeed 0); each step starts from seed i,
// and the two draws that seed gives say what it must do.
TEST_F(GhostTest, AChasingGhostsJumpsFollowTheDrawsTheDistanceAndThePlayersSide) {
  enum Expect { kNone, kLeft, kRight };
  const struct Case {
    const char* what;
    Pt player;
    bool withPlayer;
  } kCases[] = {{"straight ahead, far", {390, 400}, true},
                {"on the right, far", {390, 440}, true},
                {"on the left, far", {390, 360}, true},
                {"on the right, near", {250, 440}, true},
                {"no player", {390, 400}, false}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    IntoLevel(kRails);
    CInstance* player = Mover(tll_Script_ob_player_create, c.player.x, c.player.y);
    if (!c.withPlayer) F_InstanceDestroy(player);
    CInstance* ghost = Ghost(150, 400, 1);
    Write(ghost, "wireSpeed", 0);
    Write(C(), "frameCount", 1);  // no trail
    const double middle = WireAt(150, 400), left = WireAt(150, 360), right = WireAt(150, 440);
    const double t = Num(ghost, "edgelistT");
    const double dist = std::hypot(c.player.x - 150, c.player.y - 400);
    const double side = c.player.y > 400 ? 1 : (c.player.y < 400 ? -1 : 0);
    int32_t jumps = 0, checked = 0;
    for (int32_t seed = 0; seed < 3000; ++seed) {
      Reseed(seed);
      const double first = F_Random(1), second = F_Random(1);
      Expect want = kNone;
      if (c.withPlayer && first > 0.99 && dist > 120) {
        if (second > 0.666) {
          want = side > 0 ? kLeft : kRight;
        } else if (side != 0) {
          want = side < 0 ? kLeft : kRight;
        }
      }
      Reseed(seed);
      Step(ghost);
      const double landing = Num(ghost, "jumpEdgelist");
      const Expect got = landing == left ? kLeft : (landing == right ? kRight : kNone);
      ASSERT_NE(landing, middle);
      ASSERT_EQ(got, want) << "seed " << seed;
      if (got != kNone) ++jumps;
      if (first > 0.99) ++checked;
      Write(ghost, "jumpEdgelist", -1);
      Write(ghost, "edgelist", middle);
      Write(ghost, "edgelistT", t);
    }
    EXPECT_GT(checked, 10) << "the one-in-a-hundred case came up";
    if (c.withPlayer && dist > 120) {
      EXPECT_GT(jumps, 0);
    }
    EndGame();
  }
}

// --- inside a chip -----------------------------------------------------------------------------

TEST_F(GhostTest, AChaserInThePlayersChipAimsFifteenStepsAheadAndNowAndThenTurnsToAWireEnd) {
  IntoLevel(kChipBoard);
  const CInstance* chip = InstancesOf(kObChip).at(0);
  CInstance* player = Mover(tll_Script_ob_player_create, 150, 400);
  Inside(player, chip, 420, 360, 2, 1);
  CInstance* ghost = Ghost(150, 400, 1);
  Write(ghost, "chipAccel", 1);
  // The player will be at (450, 375): straight right of a ghost at (440, 375).
  Inside(ghost, chip, 440, 375, 0, 0);
  Reseed(SeedDrawing(false, 0.999));
  Step(ghost);
  EXPECT_NEAR(Num(ghost, "chipHspeed"), 0.9, 1e-6);
  EXPECT_NEAR(Num(ghost, "chipVspeed"), 0, 1e-6);
  EXPECT_NEAR(ghost->x, 440.9, 1e-4);
  EXPECT_EQ(Num(ghost, "chipNodeTarget"), -1);
  EXPECT_EQ(Num(ghost, "chipEnterTimer"), -1) << "runs on below zero";
  // One step in a thousand it gives up and picks a wire end of its chip.
  Reseed(SeedDrawing(true, 0.999));
  Step(ghost);
  const double target = Num(ghost, "chipNodeTarget");
  ASSERT_NE(target, -1);
  const Pt node{Num(static_cast<int32_t>(target), "x"), Num(static_cast<int32_t>(target), "y")};
  EXPECT_TRUE((std::fabs(node.x - 400) < 1e-4 || std::fabs(node.x - 500) < 1e-4) && std::fabs(node.y - 400) < 1e-4)
      << node.x << " " << node.y;
  // It now steers for that end, though the player is still there.
  Inside(ghost, chip, 450, 400, 0, 0);
  Step(ghost);
  EXPECT_NEAR(Num(ghost, "chipHspeed"), node.x > 450 ? 0.9 : -0.9, 1e-6);
  // Any mover entering any chip makes it choose again.
  CInstance* other = Ghost(380, 400);
  Write(other, "edgelistT", 1 - 0.00001);
  Step(other);
  EXPECT_EQ(Num(other, "chip"), chip->id);
  EXPECT_EQ(Num(ghost, "chipNodeTarget"), -1);
}

TEST_F(GhostTest, WithoutThePlayerInItsChipAChaserHeadsForAWireEndAndWithoutOneItDrifts) {
  IntoLevel({{kHorizontal, 100, 400}, {kObChip, 400, 350}, {kHorizontal, 500, 400}, {kObChip, 900, 350}});
  const std::vector<CInstance*> chips = InstancesOf(kObChip);
  CInstance* player = Mover(tll_Script_ob_player_create, 150, 400);  // on the wires
  CInstance* ghost = Ghost(150, 400, 1);
  Write(ghost, "chipAccel", 1);
  Inside(ghost, chips[0], 450, 400, 0, 0);
  Step(ghost);
  const double target = Num(ghost, "chipNodeTarget");
  ASSERT_NE(target, -1);
  EXPECT_NEAR(std::fabs(Num(ghost, "chipHspeed")), 0.9, 1e-6);
  // The target lasts while it stays in the chip.
  Step(ghost, 3);
  EXPECT_EQ(Num(ghost, "chipNodeTarget"), target);
  // A chip no wire reaches gives no target and no push.
  Inside(ghost, chips[1], 950, 400, 1, 0);
  Write(ghost, "chipNodeTarget", -1);
  Step(ghost);
  EXPECT_EQ(Num(ghost, "chipNodeTarget"), -1);
  EXPECT_NEAR(Num(ghost, "chipHspeed"), 0.9, 1e-6) << "friction only";
  EXPECT_NEAR(ghost->x, 950.9, 1e-4);
  // Without a player it heads for a wire end as well.
  F_InstanceDestroy(player);
  Inside(ghost, chips[0], 450, 400, 0, 0);
  Write(ghost, "chipNodeTarget", -1);
  Step(ghost);
  EXPECT_NE(Num(ghost, "chipNodeTarget"), -1);
  // Back on the wires its target is cleared.
  Write(ghost, "chip", -1);
  Step(ghost);
  EXPECT_EQ(Num(ghost, "chipNodeTarget"), -1);
}

TEST_F(GhostTest, APlainGhostSlidesAlongTheEdgeAt10AndLeavesAtTheFirstPointNearAWire) {
  const struct Case {
    double enterTimer;
    int32_t stepsToLeave;
    double leftAtY;
  } kCases[] = {{0, 3, 390}, {3, 4, 400}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.enterTimer);
    IntoLevel(kChipBoard);
    const CInstance* chip = InstancesOf(kObChip).at(0);
    CInstance* ghost = Ghost(150, 400);
    Inside(ghost, chip, 490, 360, 10, 10);
    Write(ghost, "chipEnterTimer", c.enterTimer);
    for (int32_t i = 1; i < c.stepsToLeave; ++i) {
      Step(ghost);
      EXPECT_EQ(Num(ghost, "chip"), chip->id) << i;
      EXPECT_NEAR(ghost->x, 500, 1e-4);
      EXPECT_NEAR(ghost->y, 360 + 10 * i, 1e-4);
      EXPECT_EQ(Num(ghost, "chipHspeed"), 10);
      EXPECT_EQ(Num(ghost, "chipVspeed"), 10);
    }
    Step(ghost);
    EXPECT_EQ(Num(ghost, "chip"), -1);
    EXPECT_EQ(Num(ghost, "edgelist"), WireAt(600, 400));
    EXPECT_NEAR(ghost->y, c.leftAtY, 1e-4);
    EndGame();
  }
}

// --- drawing -----------------------------------------------------------------------------------

TEST_F(GhostTest, AGhostIsDrawnUprightInItsColourAndLeavesItsTrailInIt) {
  IntoLevel({{kHorizontal, 100, 400}});
  CInstance* ghost = Ghost(150, 400, 1);
  Write(ghost, "color", 0x2020FF);
  Write(ghost, "forward", 0);
  Write(C(), "viewAngle", 90);
  CallLog().clear();
  Ask(tll_Script_ob_ghost_draw, {static_cast<double>(ghost->id)});
  EXPECT_EQ(Calls("draw_sprite_ext"), std::vector<std::string>{"draw_sprite_ext 14 -1 150 400 1.3 1.3 0 2105599 1"});
  EXPECT_EQ(Num(ghost, "playerX"), 150);
  EXPECT_EQ(Num(ghost, "playerY"), 400);
  Write(C(), "frameCount", 3);
  const size_t before = InstancesOf(kObParticle).size();
  Step(ghost);
  const std::vector<CInstance*> particles = InstancesOf(kObParticle);
  ASSERT_EQ(particles.size(), before + 1);
  const CInstance* p = particles.back();
  EXPECT_EQ(Num(p->id, "sprite_index"), 14);
  EXPECT_EQ(Num(p->id, "image_blend"), 0x2020FF);
  EXPECT_EQ(Num(p->id, "image_alpha"), 0.5);
  EXPECT_NEAR(Num(p->id, "image_angle"), 180, 1e-6);
}

// --- a level ------------------------------------------------------------------------------------

TEST_F(GhostTest, GhostsRidingIntoTheIdlePlayerKillItInThreeHitsAndTheMenuFollows) {
  Reseed(54);
  IntoLevel({{kHorizontal, 100, 400}, {kObPlayerSpawn, 390, 400}, {kObGhostSpawner, 150, 400},
             {kObGhostSpawner, 120, 400}});
  std::vector<int32_t> hits;
  double hp = -1;
  int32_t fatal = -1;
  for (int32_t step = 1; step < 1000 && fatal < 0; ++step) {
    Run(1);
    const std::vector<CInstance*> players = InstancesOf(kObPlayer);
    if (players.empty()) continue;
    const double now = Num(players[0], "hp");
    if (hp >= 0 && now < hp) hits.push_back(step);
    hp = now;
    if (now <= 0) fatal = step;
  }
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_GE(hits[1] - hits[0], 120);
  EXPECT_GE(hits[2] - hits[1], 120);
  Run(179);
  EXPECT_EQ(Room_CurrentIndex, kTestRoom);
  Run(1);
  EXPECT_EQ(Room_CurrentIndex, kRmMenu) << "180 steps after the fatal hit";
}

}  // namespace
