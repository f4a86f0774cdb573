// The collision tests of an instance: box rejection, marked instances, missing sprites, lines,
// ellipses, instance pairs, and the precise tests reaching the sprite's mask.
#include <string>
#include <vector>

#include "assets/sprite_mask.h"
#include "assets/sprite_table.h"
#include "world_test_support.h"

namespace {

class CollisionTest : public ObjectWorldTest {
 protected:
  CInstance* Make(float x, float y, int32_t sprite = -1) {
    auto* i = new CInstance(x, y, 100001 + static_cast<int32_t>(m_instances.size()), -1, false);
    m_instances.push_back(i);
    i->SetSpriteIndex(sprite);
    return i;
  }
  // A 10 x 10 sprite with its origin at the top left: at (10, 10) its box is (10, 10)-(19, 19).
  // Its mask is solid where `solid` says (no mask when null).
  int32_t Sprite(bool precise, bool (*solid)(int32_t x, int32_t y) = nullptr) {
    CSprite s;
    s.frameCount = 1;
    s.width = 10;
    s.height = 10;
    s.maskRight = 9;
    s.maskBottom = 9;
    s.precise = precise;
    if (solid != nullptr) {
      s.masks.assign(1, std::vector<uint8_t>(100, 0));
      for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 10; ++x) s.masks[0][static_cast<size_t>(y * 10 + x)] = solid(x, y) ? 1 : 0;
      }
      s.masksBuilt = true;
    }
    return Sprite_Add(s);
  }
};

TEST_F(CollisionTest, PointsAgainstTheBoxEdges) {
  CInstance* i = Make(10, 10, Sprite(false));
  EXPECT_TRUE(i->CollisionPoint(19.9f, 10, false));
  EXPECT_FALSE(i->CollisionPoint(20, 10, false));
  EXPECT_FALSE(i->CollisionPoint(9.99f, 10, false));
  EXPECT_TRUE(i->CollisionPoint(10, 19.5f, true));  // not a precise sprite: the box answers
}

TEST_F(CollisionTest, AMarkedInstanceCollidesWithNothing) {
  CInstance* i = Make(10, 10, Sprite(false));
  CInstance* j = Make(12, 12, Sprite(false));
  EXPECT_TRUE(i->Collision_Instance(j, false));
  i->marked = true;
  EXPECT_FALSE(i->CollisionPoint(15, 15, false));
  EXPECT_FALSE(i->CollisionRectangle(0, 0, 100, 100, false));
  EXPECT_FALSE(i->CollisionEllipse(0, 0, 100, 100, false));
  EXPECT_FALSE(i->CollisionLine(0, 15, 100, 15, false));
  EXPECT_FALSE(i->Collision_Instance(j, false));
  EXPECT_FALSE(j->Collision_Instance(i, false));
}

TEST_F(CollisionTest, WithoutASpriteOnlyTheBoxTestsSucceed) {
  CInstance* i = Make(10.7f, 5.2f);
  EXPECT_FALSE(i->CollisionPoint(10.5f, 5.5f, false));
  EXPECT_TRUE(i->CollisionRectangle(10, 5, 10, 5, false));
  EXPECT_TRUE(i->CollisionRectangle(10, 5, 10, 5, true));  // its precise field is clear
  CInstance* j = Make(10, 5, Sprite(false));
  EXPECT_FALSE(i->Collision_Instance(j, false));
}

TEST_F(CollisionTest, LinesAndEllipses) {
  CInstance* i = Make(10, 10, Sprite(false));
  EXPECT_TRUE(i->CollisionLine(0, 15, 100, 15, false));
  EXPECT_TRUE(i->CollisionLine(100, 15, 0, 15, false));
  EXPECT_FALSE(i->CollisionLine(0, 0, 9, 9, false));
  EXPECT_FALSE(i->CollisionLine(0, 0, 30, 5, false));    // clipped to the box's columns it stays above
  EXPECT_TRUE(i->CollisionLine(0, 0, 30, 30, false));
  // x1 and x2 round to the same integer: a rectangle test, which the thin box meets.
  EXPECT_TRUE(i->CollisionEllipse(15.2f, 0, 14.8f, 30, false));
  // Diagonally off the box the ellipse must hold a corner.
  EXPECT_FALSE(i->CollisionEllipse(0, 0, 11, 11, false));
  EXPECT_TRUE(i->CollisionEllipse(0, 0, 12, 12, false));  // holds the corner (10, 10)
  EXPECT_TRUE(i->CollisionEllipse(0, 0, 30, 30, false));
}

TEST_F(CollisionTest, InstancePairs) {
  const int32_t sprite = Sprite(false);
  CInstance* i = Make(10, 10, sprite);
  EXPECT_FALSE(i->Collision_Instance(i, false));
  CInstance* touching = Make(20, 10, sprite);  // its left is i's right + 1
  EXPECT_FALSE(i->Collision_Instance(touching, false));
  EXPECT_FALSE(touching->Collision_Instance(i, false));
  CInstance* overlapping = Make(19, 19, sprite);
  EXPECT_TRUE(i->Collision_Instance(overlapping, false));
  EXPECT_TRUE(overlapping->Collision_Instance(i, true));  // neither sprite is precise
}

TEST_F(CollisionTest, PreciseTestsReachTheMaskWithNearestEvenArguments) {
  // Only image pixel (2, 2) is solid. 10.5 and 11.5 round to even: the instance stands at (10, 12).
  CInstance* i = Make(10.5f, 11.5f, Sprite(true, [](int32_t x, int32_t y) { return x == 2 && y == 2; }));
  Compute_BoundingBox(i);
  EXPECT_TRUE(i->CollisionPoint(12.5f, 13.5f, true));   // (12, 14): pixel (2, 2)
  EXPECT_FALSE(i->CollisionPoint(13.5f, 13.5f, true));  // (14, 14): pixel (4, 2)
  EXPECT_TRUE(i->CollisionRectangle(15.5f, 14.5f, 12.5f, 13.5f, true));  // (12, 14)-(16, 14)
  EXPECT_FALSE(i->CollisionRectangle(15.5f, 14.5f, 13.5f, 13.5f, true));
  EXPECT_TRUE(i->CollisionEllipse(12.5f, 12.5f, 16.5f, 16.5f, true));  // its left end is (12, 14)
  EXPECT_FALSE(i->CollisionLine(0.5f, 15.5f, 100, 15.5f, true));       // row 4 of the image
  EXPECT_TRUE(i->CollisionLine(0.5f, 13.5f, 100, 13.5f, true));        // row 2
  // Not asked for precision: the box answers.
  EXPECT_TRUE(i->CollisionPoint(13.5f, 13.5f, false));
}

TEST_F(CollisionTest, PreciseInstancesMeetOnlyWhereBothMasksAreSet) {
  const int32_t corner = Sprite(true, [](int32_t x, int32_t y) { return x < 5 && y < 5; });
  const int32_t full = Sprite(true, [](int32_t, int32_t) { return true; });
  // The boxes overlap in (15, 15)-(19, 19): pixels 5..9 of the first, 0..4 of the second.
  EXPECT_FALSE(Make(10, 10, corner)->Collision_Instance(Make(15, 15, corner), true));
  EXPECT_TRUE(Make(10, 10, full)->Collision_Instance(Make(15, 15, corner), true));
  EXPECT_FALSE(Make(10, 10, corner)->Collision_Instance(Make(15, 15, full), true));
  EXPECT_TRUE(Make(10, 10, corner)->Collision_Instance(Make(15, 15, corner), false));
}

TEST_F(CollisionTest, HugeBoxesCompareWithoutWrapping) {
  CInstance* i = Make(3e9f, 3e9f);  // no sprite: the box is the int32 limit
  Compute_BoundingBox(i);
  EXPECT_EQ(i->bbox_right, INT32_MAX);
  EXPECT_FALSE(i->CollisionRectangle(0, 0, 10, 10, false));
  EXPECT_TRUE(i->CollisionRectangle(0, 0, 4e9f, 4e9f, false));
}

}  // namespace
