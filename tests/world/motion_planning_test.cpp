// Motion planning without a grid, in a small loaded room: straight and steering steps towards a
// goal round solid walls, the order in which steering tries its directions, and the path forms
// that simulate the walks and put the instance back.
#include <cmath>
#include <limits>
#include <vector>

#include "world/activation.h"
#include "world/commands.h"
#include "world/motion_planning.h"
#include "world/queries.h"
#include "game_call.h"
#include "world_driver.h"

namespace {

using container::ObjtEntry;
using game_call::Call;

constexpr int32_t kMover = 100001;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class MotionPlanningTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    game_call::Register();
    g_MPPotential = MPPotentialSettings{};
  }
  void TearDown() override {
    g_MPPotential = MPPotentialSettings{};
    Path_DeleteAll();
    WorldDriverTest::TearDown();
  }
  // Objects: 0 the mover, 1 a solid wall, 2 a wall that is not solid; all 32 x 32 squares with
  // their origin at the top left. The mover stands at (x, y); the walls at the places given.
  void StartRoom(float x, float y, std::vector<std::pair<int32_t, int32_t>> walls = {}, bool solid = true) {
    EndStartedGame();
    const int32_t square = Square();
    ObjtEntry mover = Entry("mover");
    ObjtEntry wall = Entry("wall");
    ObjtEntry rock = Entry("rock");
    for (ObjtEntry* o : {&mover, &wall, &rock}) o->sprite_index = square;
    wall.solid = true;
    const ObjtEntry objects[] = {mover, wall, rock};
    std::vector<container::RoomInstanceEntry> placed = {
        {.x = static_cast<int32_t>(x), .y = static_cast<int32_t>(y), .object = 0, .id = kMover}};
    int32_t id = kMover;
    for (auto [wx, wy] : walls) placed.push_back({.x = wx, .y = wy, .object = solid ? 1 : 2, .id = ++id});
    Start(placed, objects);
    Mover()->SetPosition(x, y);
  }
  static CInstance* Mover() { return Instance(kMover); }
  static double Step(const char* name, double x, double y, double step, double flag) {
    return Call(name, Mover(), nullptr, {x, y, step, flag});
  }
  // A path to fill, holding one point so that a refusal shows it untouched.
  static int32_t MarkedPath() {
    const int32_t p = Path_Add();
    Path_Data(p)->AddPoint(-7, -7, 50);
    return p;
  }
  static std::vector<std::pair<float, float>> PointsOf(int32_t path) {
    std::vector<std::pair<float, float>> points;
    const CPath* p = Path_Data(path);
    for (int32_t i = 0; i < p->GetNumber(); ++i) points.emplace_back(p->GetPoint(i).x, p->GetPoint(i).y);
    return points;
  }
};

using Points = std::vector<std::pair<float, float>>;

TEST(MotionPlanningDirectionTest, PointDirectionFromTheOrigin) {
  const struct {
    float x, y, direction;
  } cases[] = {{0, 5, 270}, {0, -5, 90}, {0, 0, 0}, {1, -1, 45}, {-1, 0, 180}, {1, 1, 315}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(MP_PointDirection(0, 0, c.x, c.y), c.direction) << c.x << "," << c.y;
  }
}

TEST_F(MotionPlanningTest, AGoalOnTheInstanceIsReachedWithoutAnyChange) {
  StartRoom(100, 100);
  Mover()->SetDirection(45);
  for (const char* name : {"mp_linear_step", "mp_potential_step"}) {
    EXPECT_EQ(Step(name, 100, 100, 5, 0), 1.0) << name;
    EXPECT_EQ(Mover()->x, 100.0f) << name;
    EXPECT_EQ(Mover()->y, 100.0f) << name;
    EXPECT_EQ(Mover()->direction, 45.0f) << name;
  }
}

TEST_F(MotionPlanningTest, AGoalWithinTheStepOnAnOccupiedSpotIsReachedWithoutMoving) {
  // At x = 103 the mover's box (103..134) meets the wall's (134..165); at 100 it does not.
  StartRoom(100, 100, {{134, 100}});
  for (const char* name : {"mp_linear_step", "mp_potential_step"}) {
    EXPECT_EQ(Step(name, 103, 100, 5, 0), 1.0) << name;
    EXPECT_EQ(Mover()->x, 100.0f) << name;
  }
  // Free, the goal is taken in one step.
  EXPECT_EQ(Step("mp_linear_step", 97, 100, 5, 0), 1.0);
  EXPECT_EQ(Mover()->x, 97.0f);
  EXPECT_EQ(Mover()->direction, 180.0f);
}

TEST_F(MotionPlanningTest, LinearStepsGoStraightAndStopBeforeWhatBlocks) {
  StartRoom(100, 100, {{100, 160}});
  EXPECT_EQ(Step("mp_linear_step", 100, 200, 5, 0), 0.0);
  EXPECT_EQ(Mover()->y, 105.0f);
  EXPECT_EQ(Mover()->direction, 270.0f) << "straight below";
  // At y = 130 the box (130..161) would meet the wall at 160: the mover stays at 125.
  for (int32_t i = 0; i < 10; ++i) Step("mp_linear_step", 100, 200, 5, 0);
  EXPECT_EQ(Mover()->y, 125.0f);
  // A wall that is not solid blocks only when every instance counts.
  StartRoom(100, 100, {{100, 135}}, false);
  EXPECT_EQ(Step("mp_linear_step", 100, 200, 5, 1), 0.0);
  EXPECT_EQ(Mover()->y, 100.0f) << "check all: the rock blocks";
  EXPECT_EQ(Step("mp_linear_step", 100, 200, 5, 0), 0.0);
  EXPECT_EQ(Mover()->y, 105.0f) << "solid only: it does not";
  // The object forms: the rock's object blocks; the wall's object, absent here, does not.
  Mover()->SetPosition(100, 100);
  EXPECT_EQ(Call("mp_linear_step_object", Mover(), nullptr, {100, 200, 5, 2}), 0.0);
  EXPECT_EQ(Mover()->y, 100.0f);
  EXPECT_EQ(Call("mp_linear_step_object", Mover(), nullptr, {100, 200, 5, 1}), 0.0);
  EXPECT_EQ(Mover()->y, 105.0f);
}

TEST_F(MotionPlanningTest, PotentialSettingsKeepAtLeastOne) {
  StartRoom(0, 0);
  const struct {
    double maxRotation, step, ahead, onSpot;
    MPPotentialSettings stored;
  } cases[] = {{0, 0, 0, 0, {1, 1, 1, false}},
               {45, 5, 2, 1, {45, 5, 2, true}},
               {-3, 0.5, kNaN, 0, {1, 1, 1, false}},
               {kNaN, kNaN, 1, 1, {1, 1, 1, true}}};
  for (const auto& c : cases) {
    Call("mp_potential_settings", Mover(), nullptr, {c.maxRotation, c.step, c.ahead, c.onSpot});
    EXPECT_EQ(g_MPPotential.maxRotation, c.stored.maxRotation) << c.maxRotation;
    EXPECT_EQ(g_MPPotential.rotationStep, c.stored.rotationStep) << c.step;
    EXPECT_EQ(g_MPPotential.ahead, c.stored.ahead) << c.ahead;
    EXPECT_EQ(g_MPPotential.onSpot, c.stored.onSpot) << c.onSpot;
  }
}

TEST_F(MotionPlanningTest, ABlockedInstanceTurnsOnTheSpotByTheMaximumRotation) {
  // Standing inside a solid wall, every step it could take is inside it too.
  StartRoom(100, 100, {{90, 90}});
  Mover()->SetDirection(0);
  for (float expected : {30.0f, 60.0f, 90.0f}) {
    EXPECT_EQ(Step("mp_potential_step", 300, 100, 2, 0), 0.0);
    EXPECT_EQ(Mover()->direction, expected);
    EXPECT_EQ(Mover()->x, 100.0f);
    EXPECT_EQ(Mover()->y, 100.0f);
  }
  MP_PotentialSettings(30, 10, 3, false);
  EXPECT_EQ(Step("mp_potential_step", 300, 100, 2, 0), 0.0);
  EXPECT_EQ(Mover()->direction, 90.0f) << "without rotating on the spot it keeps its direction";
}

// Steering tries g, g, g - 10, g + 10, ... g - 170, g + 170 and takes the first that turns no more
// than the maximum rotation and whose step and look-ahead are free. The mover and the obstacles
// are points here: 1 x 1 and 3 x 3 solids, one on the look-ahead point (30 away) of each direction
// to block.
TEST_F(MotionPlanningTest, SteeringTriesTurnsInOrderWithinTheMaximumRotation) {
  StartRoom(100, 100);
  CSprite point;
  point.frameCount = 1;
  point.precise = false;
  const int32_t pointSprite = Sprite_Add(point);
  CSprite dot;
  dot.frameCount = 1;
  dot.width = dot.height = 3;
  dot.maskRight = dot.maskBottom = 2;
  dot.originX = dot.originY = 1;
  dot.precise = false;
  const int32_t dotSprite = Sprite_Add(dot);
  Mover()->SetSpriteIndex(pointSprite);

  const struct {
    float maxRotation, current;
    std::vector<float> blocked;
    float taken;  // -1: none, and the mover turns on the spot
  } cases[] = {
      {30, 0, {}, 0},
      {30, 0, {0}, 350},
      {30, 0, {0, 350}, 10},
      {30, 0, {0, 350, 10, 340, 20, 330, 30}, -1},
      {30, 40, {}, 10},    // 0 and 350 turn too far; 10 is exactly 30 away
      {30, 320, {}, 350},  // 350 is tried before 10
      {30, 180, {}, 210},  // the first within reach is g - 150
      {5, 175, {}, 170},   // the last try, g + 170
      {5, 185, {}, 190},   // g - 170 before it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "current " << c.current << ", blocked " << c.blocked.size());
    MP_PotentialSettings(c.maxRotation, 10, 3, true);
    std::vector<CInstance*> obstacles;
    for (float d : c.blocked) {
      const double r = d * 3.1415927410125732 / 180.0;
      CInstance* o = Command_CreateInstance(1, static_cast<float>(std::nearbyint(100 + 30 * std::cos(r))),
                                            static_cast<float>(std::nearbyint(100 - 30 * std::sin(r))));
      ASSERT_NE(o, nullptr);
      o->SetSpriteIndex(dotSprite);
      obstacles.push_back(o);
    }
    Mover()->SetPosition(100, 100);
    Mover()->SetDirection(c.current);
    EXPECT_EQ(Step("mp_potential_step", 300, 100, 10, 0), 0.0);
    if (c.taken < 0) {
      EXPECT_EQ(Mover()->x, 100.0f);
      EXPECT_EQ(Mover()->y, 100.0f);
      EXPECT_EQ(Mover()->direction, c.current + c.maxRotation);
    } else {
      EXPECT_FLOAT_EQ(Mover()->direction, c.taken);
      const double r = c.taken * 3.1415927410125732 / 180.0;
      EXPECT_NEAR(Mover()->x, 100 + 10 * std::cos(r), 1e-3);
      EXPECT_NEAR(Mover()->y, 100 - 10 * std::sin(r), 1e-3);
    }
    for (CInstance* o : obstacles) Command_DestroyInstance(o);
  }
}

TEST_F(MotionPlanningTest, PotentialStepsSteerRoundAWallToTheGoal) {
  // A wall stands across the straight line from (20, 100) to (200, 100).
  StartRoom(20, 100, {{100, 84}, {100, 116}});
  int32_t steps = 0;
  while (Step("mp_potential_step", 200, 100, 4, 0) == 0.0 && steps < 200) {
    ++steps;
    ASSERT_TRUE(Command_PlaceFree(Mover(), Mover()->x, Mover()->y)) << "step " << steps;
  }
  EXPECT_LT(steps, 200);
  EXPECT_EQ(Mover()->x, 200.0f);
  EXPECT_EQ(Mover()->y, 100.0f);
}

TEST_F(MotionPlanningTest, ALinearPathIntoAWallEndsAtTheLastFreeStep) {
  // At x = 70 the mover's box (70..101) meets the wall at 100.
  StartRoom(20, 100, {{100, 84}});
  Mover()->SetDirection(123);
  const int32_t path = MarkedPath();
  EXPECT_EQ(Call("mp_linear_path", Mover(), nullptr, {double(path), 200, 100, 10, 0}), 0.0);
  EXPECT_EQ(PointsOf(path), (Points{{20, 100}, {30, 100}, {40, 100}, {50, 100}, {60, 100}}));
  EXPECT_EQ(Path_Data(path)->GetKind(), kPathKindStraight);
  EXPECT_FALSE(Path_Data(path)->GetClosed());
  EXPECT_EQ(Mover()->x, 20.0f);
  EXPECT_EQ(Mover()->y, 100.0f);
  EXPECT_EQ(Mover()->direction, 123.0f);

  // Free of the wall, the path ends on the goal.
  EXPECT_EQ(Call("mp_linear_path", Mover(), nullptr, {double(path), 20, 10, 40, 0}), 1.0);
  EXPECT_EQ(PointsOf(path), (Points{{20, 100}, {20, 60}, {20, 20}, {20, 10}}));
  EXPECT_EQ(Mover()->y, 100.0f);
}

TEST_F(MotionPlanningTest, APotentialPathSteersRoundAWallAndLeavesTheInstanceAsItWas) {
  StartRoom(20, 100, {{100, 84}, {100, 116}});
  Mover()->SetDirection(200);
  const int32_t path = MarkedPath();
  EXPECT_EQ(Call("mp_potential_path", Mover(), nullptr, {double(path), 200, 100, 4, 4, 0}), 1.0);
  const Points points = PointsOf(path);
  ASSERT_GE(points.size(), 3u);
  EXPECT_EQ(points.front(), (std::pair<float, float>{20, 100}));
  EXPECT_EQ(points.back(), (std::pair<float, float>{200, 100}));
  for (const auto& [x, y] : points) EXPECT_TRUE(Command_PlaceFree(Mover(), x, y)) << x << "," << y;
  EXPECT_GT(Path_Data(path)->GetLength(), 180.0f) << "round the wall, not through it";
  EXPECT_EQ(Mover()->x, 20.0f);
  EXPECT_EQ(Mover()->y, 100.0f);
  EXPECT_EQ(Mover()->direction, 200.0f);
}

TEST_F(MotionPlanningTest, APotentialPathFailsPastItsLengthLimitOrAfter101StillSteps) {
  // Round the wall is longer than the straight 180: with factor 1 the path passes its limit.
  StartRoom(20, 100, {{100, 84}, {100, 116}});
  int32_t path = MarkedPath();
  EXPECT_EQ(Call("mp_potential_path", Mover(), nullptr, {double(path), 200, 100, 4, 1, 0}), 0.0);
  const CPath* p = Path_Data(path);
  EXPECT_GT(p->GetLength(), 180.0f);
  EXPECT_LE(p->GetLength(), 184.01f) << "it stops at the first point past the limit";
  EXPECT_EQ(Mover()->x, 20.0f);

  // Inside a wall it cannot move at all; it turns on the spot while its path stays as long.
  StartRoom(100, 100, {{90, 90}});
  Mover()->SetDirection(10);
  path = MarkedPath();
  EXPECT_EQ(Call("mp_potential_path", Mover(), nullptr, {double(path), 300, 100, 2, 100, 0}), 0.0);
  EXPECT_EQ(Path_Data(path)->GetNumber(), 1 + 101) << "the start, then 101 steps that left the length as it was";
  EXPECT_EQ(Mover()->direction, 10.0f);
  EXPECT_EQ(Mover()->x, 100.0f);
}

// Script arguments reach the planners as finite numbers (the argument getters make the others 0);
// the planners refuse what the game's own code may still pass.
TEST_F(MotionPlanningTest, GoalsStepsAndFactorsThatAreNotNumbersAreRefused) {
  StartRoom(100, 100);
  Mover()->SetDirection(45);
  const int32_t path = MarkedPath();
  CPath* p = Path_Data(path);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  CInstance* m = Mover();
  const struct {
    const char* what;
    bool (*plan)(CInstance* m, CPath* p, float bad);
    std::vector<float> bad;
  } cases[] = {
      {"linear step goal", [](CInstance* m, CPath*, float b) { return MP_LinearStep(m, b, 100, 5, kInstanceAll, false); }, {nan, inf}},
      {"linear step size", [](CInstance* m, CPath*, float b) { return MP_LinearStep(m, 150, 100, b, kInstanceAll, true); }, {nan, inf}},
      {"potential step goal", [](CInstance* m, CPath*, float b) { return MP_PotentialStep(m, 150, b, 5, kInstanceAll, false); }, {nan, -inf}},
      {"potential step size", [](CInstance* m, CPath*, float b) { return MP_PotentialStep(m, 150, 100, b, 1, true); }, {nan, inf}},
      {"linear path goal", [](CInstance* m, CPath* p, float b) { return MP_LinearPath(m, p, b, 100, 5, kInstanceAll, false); }, {nan, inf}},
      {"linear path size", [](CInstance* m, CPath* p, float b) { return MP_LinearPath(m, p, 150, 100, b, kInstanceAll, false); }, {nan, inf, 0, -5}},
      {"potential path goal", [](CInstance* m, CPath* p, float b) { return MP_PotentialPath(m, p, 150, b, 5, 2, kInstanceAll, false); }, {nan, inf}},
      {"potential path size", [](CInstance* m, CPath* p, float b) { return MP_PotentialPath(m, p, 150, 100, b, 2, kInstanceAll, false); }, {nan, inf, 0, -5}},
      {"potential path factor", [](CInstance* m, CPath* p, float b) { return MP_PotentialPath(m, p, 150, 100, 5, b, 1, true); }, {nan, inf, 0.5f}},
  };
  for (const auto& c : cases) {
    for (float bad : c.bad) {
      SCOPED_TRACE(testing::Message() << c.what << " " << bad);
      EXPECT_FALSE(c.plan(m, p, bad));
      EXPECT_EQ(m->x, 100.0f);
      EXPECT_EQ(m->y, 100.0f);
      EXPECT_EQ(m->direction, 45.0f);
      EXPECT_EQ(PointsOf(path), (Points{{-7, -7}}));
    }
  }
}

}  // namespace
