// The player: riding the wires, jumping, its trail and grind, entering, steering in and hacking
// chips, leaving them, damage, invulnerability and death, its drawing, the controller's camera
// on a real player, and a level played to its end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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

enum Piece : int32_t { kHorizontal = 0, kVertical = 1, kDiagonal = 5, kReverseLoop = 8 };
enum Key : int32_t { kLeft = 37, kUp = 38, kRight = 39, kDown = 40 };

struct Pt {
  double x;
  double y;
};

// The numbers of a logged call, after its name.
std::vector<double> Args(const std::string& line) {
  std::istringstream in(line);
  std::string name;
  in >> name;
  std::vector<double> args;
  for (double d; in >> d;) args.push_back(d);
  return args;
}

class PlayerTest : public LevelFlowTest {
 protected:
  // A level holding `records` with a player made on the wire point nearest to (x, y).
  CInstance* LevelWithPlayer(const std::vector<Record>& records, double x, double y) {
    IntoLevel(records);
    return MakePlayer(x, y);
  }
  static CInstance* MakePlayer(double x, double y) {
    Ask(tll_Script_edgelist_get_nearest, {x, y});
    const double id = Ask(tll_Script_ob_player_create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")});
    CInstance* player = Instance_Find(static_cast<int32_t>(id));
    EXPECT_NE(player, nullptr);
    return player;
  }
  static double WireAt(double x, double y) {
    Ask(tll_Script_edgelist_get_nearest, {x, y});
    return GlobalNum("_edgelist");
  }
  static Pt Pos(const CInstance* mover) {
    Ask(tll_Script_player_get_pos, {static_cast<double>(mover->id)});
    return {GlobalNum("_x"), GlobalNum("_y")};
  }
  static double Direction(const CInstance* mover) {
    return Ask(tll_Script_player_get_direction, {static_cast<double>(mover->id)});
  }
  // One step of the player alone, as the controller makes it.
  static void StepPlayer(const CInstance* player, int32_t n = 1) {
    for (int32_t i = 0; i < n; ++i) Ask(tll_Script_ob_player_step, {static_cast<double>(player->id), 1});
  }
  static void WireStep(const CInstance* mover) {
    Ask(tll_Script_ob_player_wire_movement, {static_cast<double>(mover->id), 1});
  }
  // Makes the player travel towards rising x on a horizontal wire.
  static void HeadRight(CInstance* player) {
    if (std::fabs(Direction(player) - 180) < 1e-6) Write(player, "forward", 0);
    ASSERT_NEAR(std::fmod(Direction(player), 360), 0, 1e-6);
  }
  // The sign of a distance along the wire that takes the player the way it heads.
  static double Ahead(const CInstance* player) { return Num(player, "forward") > 0.5 ? 1 : -1; }
  // A ghost standing still on the wire point nearest to (x, y).
  static CInstance* GhostAt(CInstance* ghost, double x, double y) {
    Ask(tll_Script_edgelist_get_nearest, {x, y});
    Write(ghost, "edgelist", GlobalNum("_edgelist"));
    Write(ghost, "edgelistT", GlobalNum("_edgelistT"));
    Write(ghost, "jumpEdgelist", -1);
    Write(ghost, "chip", -1);
    Write(ghost, "size", 30);
    return ghost;
  }
  // A step of the game with these keys held through it.
  void StepHolding(const std::vector<int32_t>& keys) {
    for (int32_t k : keys) KeyDown(k);
    Run(1);
    for (int32_t k : keys) KeyUp(k);
  }
  // Puts a mover inside its chip at (x, y), moving at (h, v) pixels a step.
  static void Place(CInstance* mover, float x, float y, double h, double v) {
    mover->x = x;
    mover->y = y;
    Write(mover, "chipHspeed", h);
    Write(mover, "chipVspeed", v);
  }
  static size_t Particles() { return InstancesOf(kObParticle).size(); }
  static void ExpectAt(const CInstance* mover, Pt p, double tolerance = 1e-6) {
    const Pt at = Pos(mover);
    EXPECT_NEAR(at.x, p.x, tolerance);
    EXPECT_NEAR(at.y, p.y, tolerance);
  }
};

// A lone wire from (100, 400) to (400, 400).
const std::vector<LumbrixRecord> kLoneWire = {{kHorizontal, 100, 400}};
// Three parallel wires 40 pixels apart: the middle one, one to its left (above) and one to its
// right (below) as seen travelling towards rising x.
const std::vector<LumbrixRecord> kRails = {{kHorizontal, 100, 400}, {kHorizontal, 100, 360}, {kHorizontal, 100, 440}};

// --- riding --------------------------------------------------------------------------------------

TEST_F(PlayerTest, ThePlayerStartsWithItsVariablesAtTheOriginOffTheWires) {
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  EXPECT_EQ(player->object_index, kObPlayer);
  EXPECT_EQ(player->x, 0.0f);
  EXPECT_EQ(Num(player, "edgelist"), WireAt(150, 400));
  EXPECT_NEAR(Num(player, "edgelistT"), 50.0 / 300, 1e-9);
  const struct {
    const char* name;
    double value;
  } kStart[] = {{"forward", 1},    {"wireSpeed", 8},    {"chipAccel", 2.5},  {"jumpEdgelist", -1},   {"jumpSpeedT", 0.25},
                {"chip", -1},      {"chipFriction", 0.75}, {"chipEnterTimerLength", 5}, {"size", 30}, {"hp", 3},
                {"invulnTimerLength", 120}, {"invulnBlinkTimerLength", 20}, {"deadTimerLength", 150}, {"grindSound", -1}};
  for (const auto& v : kStart) EXPECT_EQ(Num(player, v.name), v.value) << v.name;
  tll::Local drawnAt;
  Read(player->id, "playerX", &drawnAt);
  EXPECT_EQ(RValue_Kind(&drawnAt.value), VALUE_UNSET) << "set by the first draw";
}

TEST_F(PlayerTest, ThePlayerRides8PixelsAStep12WithUpAnd56WithDownUpWinning) {
  struct Case {
    std::vector<int32_t> keys;
    double won;  // the controller's levelComplete
    double pixels;
  };
  const Case cases[] = {{{}, 0, 8}, {{kUp}, 0, 12}, {{kDown}, 0, 5.6}, {{kUp, kDown}, 0, 12}, {{kUp}, 1, 8}, {{kDown}, 1, 8}};
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixels);
    Write(C(), "levelComplete", c.won);
    Write(C(), "levelCompleteTimer", 1000);  // the banner still runs
    Write(player, "edgelistT", 50.0 / 300);
    for (int32_t k : c.keys) KeyDown(k);
    Run(1);
    for (int32_t k : c.keys) KeyUp(k);
    ExpectAt(player, {150 + c.pixels, 400});
  }
  Write(player, "forward", 0);
  Write(player, "edgelistT", 50.0 / 300);
  Run(1);
  ExpectAt(player, {142, 400});
}

TEST_F(PlayerTest, AStepPastANodeCarriesTheRestOnAlongTheNextSegment) {
  // The reverse loop's third segment runs 100 pixels up from (250, 150) to node 3 at (250, 50);
  // the fourth runs from there to (200, 0).
  CInstance* player = LevelWithPlayer({{kReverseLoop, 0, 0}}, 250, 100);
  Write(player, "edgelistT", 2.95);
  Ask(tll_Script_player_wire_move, {static_cast<double>(player->id), 8});
  EXPECT_NEAR(Num(player, "edgelistT"), 3 + 3 / std::sqrt(5000.0), 1e-9);
  ExpectAt(player, {250 - 3 / std::sqrt(2.0), 50 - 3 / std::sqrt(2.0)}, 1e-6);
}

TEST_F(PlayerTest, TravelStopsShortOfTheLastNodeAndAtTheFirstBothMeetingTheEndTest) {
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  const double id = player->id;
  Write(player, "edgelistT", 0.99);
  Ask(tll_Script_player_wire_move, {id, 8});
  EXPECT_DOUBLE_EQ(Num(player, "edgelistT"), 1 - 0.00001);
  Write(player, "edgelistT", 0.01);
  Ask(tll_Script_player_wire_move, {id, -8});
  EXPECT_EQ(Num(player, "edgelistT"), 0);
  // Both are ends: with a wire beside each, the mover jumps from there on its own.
  for (double forward : {1.0, 0.0}) {
    Write(player, "forward", forward);
    Write(player, "edgelistT", forward > 0 ? 1 - 0.00001 : 0);
    F_InstanceCreate(forward > 0 ? 350.0f : 0.0f, forward > 0 ? 360.0f : 440.0f, kHorizontal);
    WireStep(player);
    EXPECT_NE(Num(player, "jumpEdgelist"), -1) << forward;
    Write(player, "jumpEdgelist", -1);
  }
}

TEST_F(PlayerTest, WithoutALandingPointTheMoverWaitsAtTheEndAndTriesEachStep) {
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  Write(player, "edgelistT", 1 - 0.00001);
  for (int32_t i = 0; i < 3; ++i) {
    WireStep(player);
    EXPECT_EQ(Num(player, "jumpEdgelist"), -1);
    EXPECT_DOUBLE_EQ(Num(player, "edgelistT"), 1 - 0.00001);
  }
  // A wire that appears beside the end is taken in the next step.
  F_InstanceCreate(350.0f, 440.0f, kHorizontal);
  WireStep(player);
  EXPECT_EQ(Num(player, "jumpEdgelist"), WireAt(500, 440));
}

TEST_F(PlayerTest, ASegmentOfNoLengthIsPassedWithTheWholeDistanceCarriedOn) {
  // A piece scaled to nothing between two wires: one list of four nodes whose middle segment has
  // no length.
  CInstance* player = LevelWithPlayer({{kHorizontal, 0, 400}, {kHorizontal, 300, 400, 0.0f}, {kHorizontal, 300, 400}},
                                      297, 400);
  ASSERT_EQ(InstancesOf(kObEdgelist).size(), 1u);
  HeadRight(player);
  const double id = player->id;
  Ask(tll_Script_player_wire_move, {id, 8 * Ahead(player)});
  ExpectAt(player, {305, 400});
  Ask(tll_Script_player_wire_move, {id, -8 * Ahead(player)});
  ExpectAt(player, {297, 400}, 1e-2);
  // A wire of no length at all holds the mover at its ends.
  EndGame();
  player = LevelWithPlayer({{kHorizontal, 300, 400, 0.0f}}, 300, 400);
  Ask(tll_Script_player_wire_move, {static_cast<double>(player->id), 8});
  EXPECT_TRUE(std::isfinite(Num(player, "edgelistT")));
  EXPECT_DOUBLE_EQ(Num(player, "edgelistT"), 1 - 0.00001);
  Ask(tll_Script_player_wire_move, {static_cast<double>(player->id), -8});
  EXPECT_EQ(Num(player, "edgelistT"), 0);
}

// --- jumps ---------------------------------------------------------------------------------------

TEST_F(PlayerTest, AJumpKeyJumpsToThatSideAndBothKeysJumpLeft) {
  struct Case {
    std::vector<int32_t> keys;
    double landsOn;  // y of the wire
  };
  const Case cases[] = {{{kLeft}, 360}, {{kRight}, 440}, {{kLeft, kRight}, 360}, {{65 /* A */}, 360}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.landsOn);
    CInstance* player = LevelWithPlayer(kRails, 150, 400);
    StepHolding(c.keys);
    EXPECT_EQ(Num(player, "jumpEdgelist"), WireAt(200, c.landsOn));
    EXPECT_EQ(Num(player, "jumpT"), 0);
    EndGame();
  }
}

TEST_F(PlayerTest, AfterTheWinTheJumpKeysAreIgnored) {
  CInstance* player = LevelWithPlayer(kRails, 150, 400);
  Write(C(), "levelComplete", 1);
  Write(C(), "levelCompleteTimer", 1000);  // the banner still runs
  StepHolding({kLeft});
  StepHolding({kRight});
  EXPECT_EQ(Num(player, "jumpEdgelist"), -1);
  ExpectAt(player, {150 + 16, 400});
}

TEST_F(PlayerTest, AtTheEndOfAWireTheMoverJumpsLeftElseRight) {
  struct Case {
    const char* what;
    std::vector<LumbrixRecord> board;
    double landsOn;
  };
  const Case cases[] = {
      {"both sides", kRails, 360},
      {"only the right", {{kHorizontal, 100, 400}, {kHorizontal, 100, 440}}, 440},
      {"only the left", {{kHorizontal, 100, 400}, {kHorizontal, 100, 360}}, 360},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CInstance* player = LevelWithPlayer(c.board, 399, 400);
    Write(player, "edgelistT", 1 - 0.00001);
    WireStep(player);
    EXPECT_EQ(Num(player, "jumpEdgelist"), WireAt(300, c.landsOn));
    EndGame();
  }
}

TEST_F(PlayerTest, ALandingOnTheMoversOwnWireMustLieTwoSegmentsAway) {
  // A lone straight wire never has a landing point.
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  StepHolding({kLeft});
  StepHolding({kRight});
  EXPECT_EQ(Num(player, "jumpEdgelist"), -1);
  EndGame();

  // Bent into a U: the wire's top lies two segments on from its bottom, and runs the other way.
  player = LevelWithPlayer({{kHorizontal, 100, 400}, {kVertical, 400, 400, 1.0f, -0.125f}, {kHorizontal, 400, 362, -1.0f}},
                           250, 400);
  ASSERT_EQ(InstancesOf(kObEdgelist).size(), 1u);
  HeadRight(player);
  const double forward = Num(player, "forward");
  const double own = Num(player, "edgelist");
  Ask(tll_Script_player_jump, {static_cast<double>(player->id), 1});
  EXPECT_EQ(Num(player, "jumpEdgelist"), own);
  EXPECT_NEAR(std::fabs(std::floor(Num(player, "jumpEdgelistT")) - std::floor(Num(player, "edgelistT"))), 2, 1e-9);
  for (int32_t i = 0; i < 4; ++i) WireStep(player);
  EXPECT_EQ(Num(player, "forward"), 1 - forward) << "landed on a segment running the other way";
  EXPECT_NEAR(std::fmod(Direction(player), 360), 0, 0.2) << "the heading on screen is kept";
}

TEST_F(PlayerTest, LandingFlipsTheDirectionOnlyAbove90Degrees) {
  struct Case {
    const char* what;
    LumbrixRecord wire;  // to the mover's left, beside (290, 370)
    double forward;
  };
  const Case cases[] = {
      {"the same way", {kHorizontal, 100, 360}, 1},
      {"the other way", {kHorizontal, 400, 360, -1.0f}, 0},
      {"down the screen, exactly 90", {kVertical, 300, 300, 1.0f, 0.25f}, 1},
      {"up the screen, exactly 90", {kVertical, 300, 375, 1.0f, -0.25f}, 1},
      {"135 degrees", {kDiagonal, 310, 385, -1.0f, -1.0f}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CInstance* player = LevelWithPlayer({{kHorizontal, 100, 400}, c.wire}, 250, 400);
    Ask(tll_Script_player_jump, {static_cast<double>(player->id), 1});
    ASSERT_NE(Num(player, "jumpEdgelist"), -1);
    const double onto = Num(player, "jumpEdgelist");
    for (int32_t i = 0; i < 4; ++i) WireStep(player);
    EXPECT_EQ(Num(player, "edgelist"), onto);
    EXPECT_EQ(Num(player, "forward"), c.forward);
    EndGame();
  }
}

TEST_F(PlayerTest, AJumpTakesFourStepsWithoutTravelOrTrail) {
  CInstance* player = LevelWithPlayer(kRails, 150, 400);
  Write(C(), "frameCount", 0);  // the player's trail comes when this is a multiple of 3
  const size_t before = Particles();
  StepHolding({kLeft});
  EXPECT_EQ(Particles(), before + 1) << "the step in which the jump starts leaves a trail";
  const double t = Num(player, "edgelistT");
  const double target = Num(player, "jumpEdgelistT");
  ExpectAt(player, {150, 400});
  for (int32_t i = 1; i <= 3; ++i) {
    Run(1);
    EXPECT_EQ(Num(player, "jumpT"), 0.25 * i);
    EXPECT_EQ(Num(player, "edgelistT"), t) << "no travel";
    EXPECT_EQ(Particles(), before + 1) << "no trail in a jumping step, the third at a frame count of 3";
  }
  // Three quarters of a straight flight to the landing point, (190, 360).
  ExpectAt(player, {150 + 40 * 0.75, 400 - 40 * 0.75});
  Run(1);  // the fourth lands
  EXPECT_EQ(Num(player, "jumpEdgelist"), -1);
  EXPECT_EQ(Num(player, "edgelist"), WireAt(200, 360));
  EXPECT_EQ(Num(player, "edgelistT"), target) << "no travel in the landing step";
  Run(1);
  EXPECT_EQ(Particles(), before + 1);
  Run(1);
  EXPECT_EQ(Particles(), before + 2) << "riding again, at a frame count of 6";
}

// --- trail and grind -----------------------------------------------------------------------------

TEST_F(PlayerTest, TheTrailIsAParticleEveryThirdStepAlsoWhileWaiting) {
  // Down the screen: the direction is 270.
  CInstance* player = LevelWithPlayer({{kVertical, 100, 100}}, 100, 150);
  const size_t before = Particles();
  Run(9);
  ASSERT_EQ(Particles(), before + 3);
  const CInstance* last = InstancesOf(kObParticle).back();
  EXPECT_EQ(Num(last, "sprite_index"), 12) << "sp_player";
  EXPECT_EQ(Num(last, "image_alpha"), 0.5);
  EXPECT_EQ(Num(last, "image_angle"), 270);
  EXPECT_NEAR(last->y, Pos(player).y, 24.0) << "left where the player was";
  Write(player, "edgelistT", 1 - 0.00001);
  Run(9);
  EXPECT_EQ(Num(player, "jumpEdgelist"), -1) << "waiting";
  EXPECT_EQ(Particles(), before + 6);
}

TEST_F(PlayerTest, TheGrindLoopsWhileRidingAndStopsInAJumpInAChipAndAfterDeath) {
  CInstance* player = LevelWithPlayer(kRails, 150, 400);
  CallLog().clear();
  Run(3);
  EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 0 1 1"}) << "once, looping";
  const auto stopped = [&](double sound) {
    std::ostringstream line;
    line << "audio_stop_sound " << sound;
    return Calls("audio_stop_sound") == std::vector<std::string>{line.str()} && Num(player, "grindSound") == -1;
  };
  enum Into { kJump, kChip, kDeath };
  for (const Into into : {kJump, kChip, kDeath}) {
    SCOPED_TRACE(into);
    const double sound = Num(player, "grindSound");
    ASSERT_NE(sound, -1);
    CallLog().clear();
    if (into == kJump) StepHolding({kLeft});  // stops in the next step, the jump's first
    if (into == kChip) Write(player, "chip", 123456);
    if (into == kDeath) {
      Write(player, "hp", 0);
      Write(C(), "levelEndTimer", 1000);  // the level does not end yet
    }
    Run(1);
    EXPECT_TRUE(stopped(sound));
    CallLog().clear();
    if (into == kChip) Write(player, "chip", -1);
    if (into == kDeath) Write(player, "hp", 3);
    Run(into == kJump ? 4 : 1);  // a jump lands in its fourth step
    EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 0 1 1"}) << "riding again";
  }
}

// --- chips ---------------------------------------------------------------------------------------

// A wire from (100, 400) into a chip from (400, 350) to (500, 450), and one out of its right
// edge to (800, 400).
const std::vector<LumbrixRecord> kChipBoard = {{kHorizontal, 100, 400}, {kObChip, 400, 350}, {kHorizontal, 500, 400}};

class PlayerChipTest : public PlayerTest {
 protected:
  // The player ridden into the chip from the left, before any draw.
  CInstance* Entered() {
    CInstance* player = LevelWithPlayer(kChipBoard, 380, 400);
    for (int32_t i = 0; i < 10 && Num(player, "chip") == -1; ++i) Run(1);
    EXPECT_EQ(Num(player, "chip"), InstancesOf(kObChip).at(0)->id);
    return player;
  }
};

TEST_F(PlayerChipTest, AMoverEntersAChipTenPixelsAheadAndCarriesOnAt10) {
  CInstance* player = Entered();
  EXPECT_EQ(Num(player, "faceDir"), 0);
  EXPECT_EQ(Num(player, "chipHspeed"), 10);
  EXPECT_NEAR(Num(player, "chipVspeed"), 0, 1e-6);
  EXPECT_EQ(Num(player, "chipEnterTimer"), 4) << "5, less the step's own";
  // Not drawn yet: it starts at its point on the wire, the wire's end.
  EXPECT_NEAR(player->x, 400, 0.01);
  EXPECT_NEAR(player->y, 400, 1e-6);
  // Drawn, it starts where it was drawn.
  EndGame();
  player = LevelWithPlayer(kChipBoard, 380, 400);
  Write(player, "edgelistT", 1 - 0.00001);
  Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
  Write(player, "playerX", 398);
  WireStep(player);
  EXPECT_EQ(Num(player, "chip"), InstancesOf(kObChip).at(0)->id);
  EXPECT_EQ(player->x, 398.0f);
}

TEST_F(PlayerChipTest, NoLeavingRightAfterEnteringThenOutBackwardsOntoTheWire) {
  CInstance* player = Entered();
  Write(player, "chipHspeed", -20);  // back against the edge beside the wire
  for (int32_t i = 0; i < 4; ++i) {
    Run(1);
    EXPECT_NE(Num(player, "chip"), -1) << i;
    EXPECT_EQ(player->x, 400.0f);
  }
  Run(1);
  EXPECT_EQ(Num(player, "chip"), -1);
  EXPECT_EQ(Num(player, "edgelist"), WireAt(200, 400));
  EXPECT_EQ(Num(player, "forward"), 0) << "joined at t 0.5 or more: away from the chip, backwards";
  const double x = Pos(player).x;
  Run(1);
  EXPECT_NEAR(Pos(player).x, x - 8, 1e-3);
}

TEST_F(PlayerChipTest, LeavingNearTheStartOfAWireRidesForwardAndAnEdgeWithoutAWireHolds) {
  CInstance* player = Entered();
  Write(player, "chipEnterTimer", 0);
  // Down against the bottom edge, 50 pixels from any wire: held there, sliding on.
  Place(player, 450, 440, 4, 20);
  StepPlayer(player);
  EXPECT_NE(Num(player, "chip"), -1);
  EXPECT_EQ(player->y, 450.0f);
  EXPECT_EQ(player->x, 453.0f);
  EXPECT_EQ(Num(player, "chipVspeed"), 15) << "the velocity is kept";
  // Out of the right edge onto the start of the wire there.
  Place(player, 490, 400, 20, 0);
  StepPlayer(player);
  EXPECT_EQ(Num(player, "chip"), -1);
  EXPECT_EQ(Num(player, "edgelist"), WireAt(700, 400));
  EXPECT_NEAR(Num(player, "edgelistT"), 0, 1e-9);
  EXPECT_EQ(Num(player, "forward"), 1);
  EXPECT_EQ(Num(player, "jumpEdgelist"), -1);
}

TEST_F(PlayerChipTest, TheKeysPushByChipAccelRelativeToTheHeadingOfEntry) {
  struct Case {
    std::vector<int32_t> keys;
    double faceDir;
    double direction;  // of the push
  };
  const Case cases[] = {{{kUp}, 0, 0},      {{kUp, kLeft}, 0, 45},  {{kRight}, 0, 270},
                        {{kDown}, 90, 270}, {{kLeft, kRight}, 0, -1}};  // -1: no push
  CInstance* player = Entered();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.direction);
    Place(player, 450, 400, 0, 0);
    Write(player, "faceDir", c.faceDir);
    for (int32_t k : c.keys) KeyDown(k);
    Run(1);
    for (int32_t k : c.keys) KeyUp(k);
    const double h = Num(player, "chipHspeed") / 0.75, v = Num(player, "chipVspeed") / 0.75;
    if (c.direction < 0) {
      EXPECT_NEAR(std::hypot(h, v), 0, 1e-6);
      continue;
    }
    EXPECT_NEAR(std::hypot(h, v), 2.5, 1e-5) << "one push whatever the keys";
    EXPECT_NEAR(h, 2.5 * std::cos(c.direction * M_PI / 180), 1e-5);
    EXPECT_NEAR(v, -2.5 * std::sin(c.direction * M_PI / 180), 1e-5);
  }
}

TEST_F(PlayerChipTest, AChipIsHackedIn500StepsAtScale1And625At08ThenTwoHitPoints) {
  struct Case {
    double hackScale;
    int32_t steps;
  };
  for (const Case& c : {Case{1, 500}, Case{0.8, 625}}) {
    SCOPED_TRACE(c.hackScale);
    CInstance* player = LevelWithPlayer({{kObChip, 400, 350}, {kObChip, 700, 350}}, 0, 0);
    const std::vector<CInstance*> chips = InstancesOf(kObChip);
    double hp = 3;
    for (const CInstance* chip : chips) {
      Write(chip, "hackScale", c.hackScale);
      Write(player, "chip", chip->id);
      player->x = static_cast<float>(chip->x + 50);
      player->y = 400;
      StepPlayer(player, c.steps - 1);
      EXPECT_EQ(Num(player, "hp"), hp);
      CallLog().clear();
      StepPlayer(player);
      hp += 2;
      EXPECT_EQ(Num(player, "hp"), hp) << "no cap";
      EXPECT_EQ(Calls("draw_set_font"), std::vector<std::string>{"draw_set_font 3"});
      StepPlayer(player, 3);
      EXPECT_EQ(Num(player, "hp"), hp) << "once";
    }
    EXPECT_EQ(Num(C(), "levelComplete"), 1) << "the last chip won the level";
    EXPECT_EQ(Num(player, "hp"), 7);
    EndGame();
  }
}

TEST_F(PlayerChipTest, NoHackingOrSteeringWhenDeadOrAfterTheWinButDrifting) {
  for (const char* which : {"hp", "levelComplete"}) {
    SCOPED_TRACE(which);
    CInstance* player = Entered();
    const CInstance* chip = InstancesOf(kObChip).at(0);
    Write(player, "hp", 0);
    // Dead from a hit, whose level-end timer keeps the room for now.
    Write(C(), "levelEndTimer", 180);
    if (std::string(which) == "levelComplete") {
      Write(player, "hp", 3);
      Write(C(), "levelComplete", 1);
      Write(C(), "levelCompleteTimer", 1000);
    }
    const double percent = Num(chip, "hackPercent");
    const float x = player->x;
    KeyDown(kDown);
    Run(1);
    KeyUp(kDown);
    EXPECT_EQ(Num(chip, "hackPercent"), percent);
    EXPECT_EQ(player->x, x + 7.5f) << "no push back, friction only";
    EndGame();
  }
}

// --- damage --------------------------------------------------------------------------------------

TEST_F(PlayerTest, TwoGhostsTouchingInOneStepCostOneHitPoint) {
  CInstance* player = LevelWithPlayer({{kHorizontal, 100, 400}, {kObGhost, 0, 0}, {kObGhost, 0, 0}}, 399, 400);
  Write(player, "edgelistT", 1 - 0.00001);  // waiting at the end, in one place
  const std::vector<CInstance*> ghosts = InstancesOf(kObGhost);
  GhostAt(ghosts[0], 390, 400);
  GhostAt(ghosts[1], 380, 400);
  CallLog().clear();
  StepPlayer(player);
  EXPECT_EQ(Num(player, "hp"), 2);
  EXPECT_EQ(Calls("audio_play_sound").back(), "audio_play_sound 1 1 0");
  EXPECT_NEAR(Num(ghosts[1], "x0"), 380, 1e-6) << "where the contact test found it";
  EXPECT_EQ(Num(player, "invulnTimer"), 119);
  // 120 steps of invulnerability, the ghosts still touching.
  StepPlayer(player, 119);
  EXPECT_EQ(Num(player, "hp"), 2);
  StepPlayer(player);
  EXPECT_EQ(Num(player, "hp"), 1);
  // 30 pixels apart is no contact.
  Write(player, "invulnTimer", 0);
  GhostAt(ghosts[0], Pos(player).x - 30.00001, 400);
  GhostAt(ghosts[1], 300, 400);
  StepPlayer(player);
  EXPECT_EQ(Num(player, "hp"), 1);
}

TEST_F(PlayerTest, AHitWhileInvulnerableOrDeadChangesNothing) {
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  struct Case {
    double invulnTimer, hp;
  };
  for (const Case& c : {Case{5, 3}, Case{0.5, 3}, Case{0, 0}, Case{0, -1}}) {
    SCOPED_TRACE(c.invulnTimer + c.hp);
    Write(player, "invulnTimer", c.invulnTimer);
    Write(player, "hp", c.hp);
    Write(C(), "screenShakeTimer", 0);
    CallLog().clear();
    Ask(tll_Script_player_damaged, {static_cast<double>(player->id), 1});
    EXPECT_EQ(Num(player, "hp"), c.hp);
    EXPECT_EQ(Num(player, "invulnTimer"), c.invulnTimer);
    EXPECT_EQ(Num(C(), "screenShakeTimer"), 0);
    EXPECT_TRUE(CallLog().empty());
  }
}

TEST_F(PlayerTest, TheFatalHitSoundsAtOnceAndInAHundredStepsAndEndsTheLevel) {
  CInstance* player = LevelWithPlayer({{kHorizontal, 100, 400}, {kObGhost, 0, 0}}, 399, 400);
  Write(player, "edgelistT", 1 - 0.00001);
  Write(player, "hp", 1);
  Write(C(), "bgMusic", 9);
  Run(1);
  const double grind = Num(player, "grindSound");
  GhostAt(InstancesOf(kObGhost)[0], 399, 400);
  CallLog().clear();
  Run(1);
  EXPECT_EQ(Num(player, "hp"), 0);
  EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 1 1 0"});
  std::ostringstream stops;
  stops << "audio_stop_sound 9";
  EXPECT_EQ(Calls("audio_stop_sound").at(0), stops.str()) << "the music";
  EXPECT_EQ(Num(C(), "screenShakeTimer"), 9) << "10, less the step's own";
  EXPECT_EQ(Num(C(), "levelEndTimer"), 179);
  EXPECT_EQ(Num(player, "deadTimer"), 149);
  Run(1);
  std::ostringstream grindStop;
  grindStop << "audio_stop_sound " << grind;
  EXPECT_EQ(Calls("audio_stop_sound").back(), grindStop.str());
  CallLog().clear();
  Run(98);
  EXPECT_TRUE(Calls("audio_play_sound").empty());
  Run(1);
  EXPECT_EQ(Calls("audio_play_sound"), std::vector<std::string>{"audio_play_sound 6 1 0"}) << "100 steps after the hit";
  Run(79);
  EXPECT_EQ(Room_CurrentIndex, kTestRoom);
  Run(1);
  EXPECT_EQ(Room_CurrentIndex, kRmMenu) << "180 steps after the hit";
}

// --- drawing -------------------------------------------------------------------------------------

TEST_F(PlayerTest, TheSpriteStaysUprightAndBlinksWhileInvulnerable) {
  CInstance* player = LevelWithPlayer(kLoneWire, 150, 400);
  tll::Set(player, var::view_angle, tll::Real(30), 0);
  CallLog().clear();
  Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
  EXPECT_EQ(Calls("draw_sprite_ext"), std::vector<std::string>{"draw_sprite_ext 12 0 150 400 1 1 -30 16777215 1"});
  EXPECT_EQ(Num(player, "playerX"), 150);
  EXPECT_EQ(Num(player, "playerY"), 400);
  // Hit: hidden in 11 of every 21 steps for 120 steps.
  Ask(tll_Script_player_damaged, {static_cast<double>(player->id), 1});
  int32_t shown = 0;
  for (int32_t i = 0; i < 21; ++i) {
    StepPlayer(player);
    CallLog().clear();
    Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
    shown += Args(Calls("draw_sprite_ext").at(0)).back() == 1 ? 1 : 0;
  }
  EXPECT_EQ(shown, 10);
  StepPlayer(player, 100);
  CallLog().clear();
  Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
  EXPECT_EQ(Args(Calls("draw_sprite_ext").at(0)).back(), 1) << "visible again";
}

TEST_F(PlayerTest, BoltsGoToEveryLandingPointInFourteenJaggedSegments) {
  CInstance* player = LevelWithPlayer(kRails, 150, 400);
  CallLog().clear();
  Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
  EXPECT_EQ(Calls("draw_set_colour"), std::vector<std::string>{"draw_set_colour 10420223"});
  EXPECT_EQ(Calls("draw_line").size(), 28u) << "one bolt to each side";
  EXPECT_EQ(Num(player, "detail"), 15);
  EndGame();
  player = LevelWithPlayer(kLoneWire, 150, 400);
  CallLog().clear();
  Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
  EXPECT_TRUE(Calls("draw_line").empty()) << "no landing point";

  // From (0, 0) to (150, 0): the points of fifteenths, jittered by the distance to the nearer end.
  for (int32_t seed = 1; seed <= 20; ++seed) {
    Reseed(seed);
    CallLog().clear();
    Ask(tll_Script_draw_lightning, {0, 0, 150, 0}, player);
    const std::vector<std::string> lines = Calls("draw_line");
    ASSERT_EQ(lines.size(), 14u);
    Pt previous{0, 0};
    for (int32_t i = 1; i <= 14; ++i) {
      const std::vector<double> a = Args(lines[i - 1]);
      const double m = std::min(i, 15 - i);
      EXPECT_LE(std::fabs(a[0] - 10 * i), m);
      EXPECT_LE(std::fabs(a[1]), m);
      EXPECT_EQ(a[2], previous.x);
      EXPECT_EQ(a[3], previous.y);
      previous = {a[0], a[1]};
    }
    EXPECT_NEAR(previous.x, 140, 1) << "a fifteenth short";
  }
}

TEST_F(PlayerTest, DeadThePlayerPlaysItsAnimationOnceWhereItDied) {
  CInstance* player = LevelWithPlayer(kRails, 150, 400);
  Ask(tll_Script_player_jump, {static_cast<double>(player->id), 1});
  WireStep(player);
  WireStep(player);
  Write(player, "hp", 1);
  Ask(tll_Script_player_damaged, {static_cast<double>(player->id), 1});
  WireStep(player);
  EXPECT_EQ(Num(player, "jumpT"), 0.5) << "frozen in mid-jump";
  struct Case {
    double deadTimer;
    int32_t frame;
  };
  for (const Case& c : {Case{150, 0}, Case{75, 8}, Case{9, 15}, Case{0, 16}, Case{-40, 16}}) {
    Write(player, "deadTimer", c.deadTimer);
    CallLog().clear();
    Ask(tll_Script_ob_player_draw, {static_cast<double>(player->id)});
    std::ostringstream line;
    // Half way from (150, 400) to the landing point, (190, 360).
    line << "draw_sprite_ext 13 " << c.frame << " 170 380 1 1 -0 16777215 1";
    EXPECT_EQ(Calls("draw_sprite_ext"), std::vector<std::string>{line.str()}) << c.deadTimer;
    EXPECT_TRUE(Calls("draw_line").empty());
  }
}

// --- the controller with a real player -----------------------------------------------------------

TEST_F(PlayerTest, TheCameraSnapsWithinFiveDegreesAndTurnsBeyond) {
  LevelWithPlayer(kLoneWire, 150, 400);
  struct Case {
    double from, to;
  };
  // Heading 0: a is the difference itself.
  for (const Case& c : {Case{3, 3 - 0.15 - 3}, Case{-5, -5 + 0.25 + 5}, Case{30, 30 - 1.5 - 2}, Case{-90, -90 + 4.5 + 2}}) {
    SCOPED_TRACE(c.from);
    Write(C(), "viewAngle", c.from);
    Run(1);
    EXPECT_NEAR(Num(C(), "viewAngle"), c.to, 1e-4);
    EXPECT_NEAR(NumAt(C(), "view_angle", 0), 90 - c.to + Num(C(), "screenShakeAngle"), 1e-4);
  }
}

TEST_F(PlayerTest, ThePlayerSpawnerStartsThePlayerAtTheFootPointTurningTheCamera) {
  struct Case {
    LumbrixRecord wire;
    float yscale;
    double forward, viewAngle;
  };
  const Case cases[] = {
      {{kHorizontal, 100, 400}, 1, 1, 0},
      {{kHorizontal, 100, 400}, -1, 0, 180},
      {{kVertical, 290, 250}, 1, 1, 270},
      {{kVertical, 290, 250}, -1, 0, 450},  // not wrapped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.viewAngle);
    IntoLevel({c.wire, {kObPlayerSpawn, 250, 360, 1.0f, c.yscale}});
    CInstance* spawner = InstancesOf(kObPlayerSpawn).at(0);
    tll_Object_ob_player_spawn_Alarm_0(spawner, spawner);
    const CInstance* player = InstancesOf(kObPlayer).at(0);
    EXPECT_EQ(Num(player, "forward"), c.forward);
    EXPECT_NEAR(Num(C(), "viewAngle"), c.viewAngle, 1e-4);
    if (c.wire.object == kHorizontal) {
      EXPECT_NEAR(Num(player, "edgelistT"), 0.5, 1e-9) << "40 pixels above the middle";
      ExpectAt(player, {250, 400});
    }
    EndGame();
  }
}

// --- a level played --------------------------------------------------------------------------------

TEST_F(PlayerTest, ALevelIsWonByRidingJumpingAndHackingItsOnlyChip) {
  // The player starts on the lower wire; the upper one leads into the chip.
  IntoLevel({{kHorizontal, 0, 400}, {kHorizontal, 100, 360}, {kObChip, 400, 300}, {kObPlayerSpawn, 50, 430}});
  Run(1);
  ASSERT_EQ(InstancesOf(kObPlayer).size(), 1u);
  CInstance* player = InstancesOf(kObPlayer)[0];
  const double lower = WireAt(50, 400), upper = WireAt(300, 360);
  EXPECT_EQ(Num(player, "edgelist"), lower);
  for (int32_t i = 0; i < 5; ++i) StepHolding({kUp});
  EXPECT_NEAR(Pos(player).x, 50 + 8 + 5 * 12, 1e-6);
  StepHolding({kLeft});
  Run(4);
  EXPECT_EQ(Num(player, "edgelist"), upper);
  const CInstance* chip = InstancesOf(kObChip)[0];
  for (int32_t i = 0; i < 100 && Num(player, "chip") == -1; ++i) Run(1);
  ASSERT_EQ(Num(player, "chip"), chip->id);
  int32_t steps = 0;
  while (Num(C(), "levelComplete") == 0 && steps < 600) {
    Run(1);
    ++steps;
  }
  EXPECT_EQ(Num(C(), "levelComplete"), 1);
  EXPECT_EQ(steps, 500);
  EXPECT_EQ(Num(player, "hp"), 5);
  EXPECT_EQ(Saved(), 1) << "\"unlocked\" is written";
  Run(239);
  EXPECT_EQ(Room_CurrentIndex, kTestRoom);
  Run(1);
  EXPECT_EQ(Room_CurrentIndex, kRmMenu);
}

}  // namespace
