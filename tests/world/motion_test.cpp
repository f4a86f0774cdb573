// Instance motion: the two forms of motion and their snapping, friction and gravity, the
// bounding box, and following a path with each end action.
#include <cmath>
#include <limits>
#include <vector>

#include "assets/sprite_table.h"
#include "world/path.h"
#include "world_test_support.h"

namespace {

class MotionTest : public ObjectWorldTest {
 protected:
  void TearDown() override {
    Path_DeleteAll();
    ObjectWorldTest::TearDown();
  }
  CInstance* Make(float x = 0, float y = 0) {
    auto* i = new CInstance(x, y, 100001 + static_cast<int32_t>(m_instances.size()), -1, false);
    m_instances.push_back(i);
    return i;
  }
  // The 32 x 32 sprite with its origin in the middle.
  static int32_t Square() {
    CSprite s;
    s.frameCount = 1;
    s.maskRight = 31;
    s.maskBottom = 31;
    s.originX = 16;
    s.originY = 16;
    return Sprite_Add(s);
  }
  static std::vector<int32_t> Box(CInstance* i) {
    Compute_BoundingBox(i);
    return {i->bbox_left, i->bbox_right, i->bbox_top, i->bbox_bottom};
  }
  // A straight open path along x from 0 to 100 (speed 100 throughout).
  static int32_t Line() {
    const int32_t p = Path_Add();
    Path_Data(p)->SetClosed(false);
    Path_Data(p)->AddPoint(0, 0, 100);
    Path_Data(p)->AddPoint(100, 0, 100);
    return p;
  }
};

TEST_F(MotionTest, SettersKeepBothFormsOfMotion) {
  struct Case {
    const char* what;
    void (*set)(CInstance*);
    float direction, speed, hspeed, vspeed;
  };
  const Case cases[] = {
      {"hspeed 0, vspeed 3", [](CInstance* i) { i->SetVSpeed(3); }, 270, 3, 0, 3},
      {"hspeed 3, vspeed -3", [](CInstance* i) { i->SetHSpeed(3); i->SetVSpeed(-3); }, 45, 4.2426405f, 3, -3},
      {"direction 90, speed 2", [](CInstance* i) { i->SetDirection(90); i->SetSpeed(2); }, 90, 2, 0, -2},
      {"direction -30", [](CInstance* i) { i->SetDirection(-30); }, 330, 0, 0, 0},
      {"direction 720", [](CInstance* i) { i->SetDirection(720); }, 0, 0, 0, 0},
      {"direction 1e30 ends", [](CInstance* i) { i->SetDirection(1e30f); }, std::fmod(1e30f, 360.0f), 0, 0, 0},
      {"direction infinite", [](CInstance* i) { i->SetDirection(std::numeric_limits<float>::infinity()); }, 0, 0, 0, 0},
      {"friction 0.5 on 0.3 stops",
       [](CInstance* i) { i->SetDirection(0); i->SetSpeed(0.3f); i->friction = 0.5f; i->ApplyFrictionAndGravity(); },
       0, 0, 0, 0},
      {"friction 0.5 on -2",
       [](CInstance* i) { i->SetSpeed(-2); i->friction = 0.5f; i->ApplyFrictionAndGravity(); }, 0, -1.5f, -1.5f, 0},
      {"gravity 1 toward 270",
       [](CInstance* i) { i->gravity = 1; i->gravity_direction = 270; i->ApplyFrictionAndGravity(); }, 270, 1, 0, 1},
  };
  for (const Case& c : cases) {
    CInstance* i = Make();
    c.set(i);
    EXPECT_FLOAT_EQ(i->direction, c.direction) << c.what;
    EXPECT_FLOAT_EQ(i->speed, c.speed) << c.what;
    EXPECT_NEAR(i->hspeed, c.hspeed, 1e-6) << c.what;
    EXPECT_FLOAT_EQ(i->vspeed, c.vspeed) << c.what;
    EXPECT_TRUE(i->bbox_dirty) << c.what;
  }
}

TEST_F(MotionTest, DirectionNinetyGivesAnExactlyZeroHorizontalSpeed) {
  CInstance* i = Make();
  i->SetDirection(90);
  i->SetSpeed(2);
  EXPECT_EQ(i->hspeed, 0.0f);  // snapped from a tiny cosine
}

TEST_F(MotionTest, BoundingBoxFollowsSpriteScaleAndAngle) {
  const int32_t sprite = Square();
  struct Case {
    float x, y, xscale, angle;
    std::vector<int32_t> box;  // left, right, top, bottom
  };
  const Case cases[] = {
      {100.4f, 50, 1, 0, {84, 115, 34, 65}},
      {100.4f, 50, -1, 0, {84, 115, 34, 65}},  // the ends swap before the decrement
      {100.4f, 50, 1, 45, {78, 122, 27, 72}},
  };
  for (const Case& c : cases) {
    CInstance* i = Make(c.x, c.y);
    i->SetSpriteIndex(sprite);
    i->SetImageXScale(c.xscale);
    i->SetImageAngle(c.angle);
    EXPECT_EQ(Box(i), c.box) << c.xscale << " " << c.angle;
    EXPECT_FALSE(i->bbox_dirty);
  }
  CInstance* bare = Make(10.7f, -3.2f);
  EXPECT_EQ(Box(bare), (std::vector<int32_t>{10, 10, -3, -3}));
}

TEST_F(MotionTest, ExtremePositionsAndScalesGiveSomeBox) {
  const int32_t sprite = Square();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float v : {1e20f, -1e20f, nan}) {
    for (float angle : {0.0f, 30.0f}) {
      CInstance* i = Make(v, v);
      i->SetSpriteIndex(sprite);
      i->SetImageXScale(v);
      i->SetImageAngle(angle);
      Compute_BoundingBox(i);
      EXPECT_LE(i->bbox_left, i->bbox_right + 1);
      CInstance* bare = Make(v, -v);
      Compute_BoundingBox(bare);
      EXPECT_FALSE(bare->bbox_dirty);
    }
  }
}

TEST_F(MotionTest, SettersMarkTheBoxOnlyWhenSomethingChanged) {
  CInstance* i = Make(5, 5);
  Compute_BoundingBox(i);
  i->SetPosition(5, 5);
  i->SetImageXScale(1);
  EXPECT_FALSE(i->bbox_dirty);
  i->SetImageAngle(std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(i->bbox_dirty);
  EXPECT_EQ(i->GetAlarm(12), -1);
  i->SetAlarm(-1, 4);
  i->SetAlarm(11, 4);
  EXPECT_EQ(i->GetAlarm(11), 4);
  i->SetPathPosition(1.5f);
  EXPECT_EQ(i->path_position, 1.0f);
  i->SetPathPositionPrevious(-3);
  EXPECT_EQ(i->path_positionprevious, 0.0f);
}

TEST_F(MotionTest, ReverseEndActionTurnsBackPastTheEnd) {
  const int32_t path = Line();
  CInstance* i = Make();
  i->StartPath(path, 4, 1, 0, false, 3);
  i->path_position = 0.98f;
  EXPECT_TRUE(i->AdvancePath());  // 1.02
  EXPECT_NEAR(i->path_position, 0.98f, 1e-5);
  EXPECT_EQ(i->path_speed, -4.0f);
  EXPECT_NEAR(i->x, 98.0f, 1e-3);
  EXPECT_EQ(i->speed, 0.0f);
  EXPECT_EQ(i->hspeed, 0.0f);
}

TEST_F(MotionTest, StopEndActionAtNegativeSpeedStillEndsAtTheEndPoint) {
  const int32_t path = Line();
  CInstance* i = Make();
  i->StartPath(path, -50, 1, 0, false, 0);
  EXPECT_EQ(i->x, 100.0f);  // absolute start at position 1
  EXPECT_FALSE(i->AdvancePath());
  EXPECT_EQ(i->x, 50.0f);
  EXPECT_EQ(i->direction, 180.0f);
  EXPECT_TRUE(i->AdvancePath());  // reaches 0
  EXPECT_EQ(i->path_position, 1.0f);
  EXPECT_EQ(i->path_index, -1);
  EXPECT_EQ(i->x, 100.0f);
  EXPECT_FALSE(i->AdvancePath());
}

TEST_F(MotionTest, ContinueEndActionMovesTheStartPoint) {
  const int32_t path = Line();
  CInstance* i = Make(10, 20);
  i->StartPath(path, 60, 1, 0, true, 2);
  EXPECT_FALSE(i->AdvancePath());
  EXPECT_FLOAT_EQ(i->x, 70);
  EXPECT_TRUE(i->AdvancePath());  // 1.2 wraps to 0.2 one path further on
  EXPECT_FLOAT_EQ(i->path_xstart, 110);
  EXPECT_NEAR(i->path_position, 0.2f, 1e-5);
  EXPECT_NEAR(i->x, 130, 1e-3);
  EXPECT_EQ(i->y, 20);
}

TEST_F(MotionTest, OrientationAndScaleTurnTheRoute) {
  const int32_t path = Line();
  CInstance* i = Make(0, 0);
  i->StartPath(path, 50, 2, 90, true, 1);
  i->AdvancePath();  // a quarter of the way at scale 2, turned to point up
  EXPECT_NEAR(i->x, 0, 1e-3);
  EXPECT_NEAR(i->y, -50, 1e-3);
}

TEST_F(MotionTest, PathStartWithoutARouteLeavesNoPath) {
  CInstance* i = Make();
  const int32_t empty = Path_Add();
  i->StartPath(empty, 4, 1, 0, false, 0);
  EXPECT_EQ(i->path_index, -1);
  i->StartPath(empty + 7, 4, 1, 0, false, 0);
  EXPECT_EQ(i->path_index, -1);
  i->StartPath(Line(), 4, -1, 0, false, 0);  // negative scale
  EXPECT_EQ(i->path_index, -1);
  EXPECT_FALSE(i->AdvancePath());
}

TEST_F(MotionTest, ImageNumberAndSpriteChange) {
  CSprite s;
  s.frameCount = 4;
  const int32_t sprite = Sprite_Add(s);
  CInstance* i = Make();
  EXPECT_EQ(i->GetImageNumber(), 0);
  i->image_index = 3.5f;
  i->SetSpriteIndex(sprite);
  EXPECT_EQ(i->GetImageNumber(), 4);
  EXPECT_EQ(i->image_index, 3.5f);
  s.frameCount = 3;
  i->SetSpriteIndex(Sprite_Add(s));
  EXPECT_EQ(i->image_index, 0.0f);
}

}  // namespace
