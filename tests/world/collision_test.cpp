// The collision tests of an instance: box rejection, marked instances, missing sprites, lines,
// ellipses, instance pairs, and the precise tests reaching the sprite's mask.
#include <string>
#include <vector>

#include "assets/sprite_mask.h"
#include "assets/sprite_table.h"
#include "world_test_support.h"

namespace {

// A mask that records what it is asked (rounded arguments) and answers `answer`.
class RecordingMask : public CSpriteMask {
 public:
  bool PointInMask(const MaskPlacement& at, int32_t px, int32_t py) const override {
    return Note("point", at, {px, py});
  }
  bool RectInMask(const MaskPlacement& at, const MaskBox& r) const override {
    return Note("rect", at, {r.left, r.top, r.right, r.bottom});
  }
  bool EllipseInMask(const MaskPlacement& at, const MaskBox& e) const override {
    return Note("ellipse", at, {e.left, e.top, e.right, e.bottom});
  }
  bool LineInMask(const MaskPlacement& at, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const override {
    return Note("line", at, {x1, y1, x2, y2});
  }
  struct Call {
    std::string what;
    int32_t x, y;
    std::vector<int32_t> args;
    bool operator==(const Call&) const = default;
  };
  mutable std::vector<Call> calls;
  bool answer = false;

 private:
  bool Note(const char* what, const MaskPlacement& at, std::vector<int32_t> args) const {
    calls.push_back({what, at.x, at.y, std::move(args)});
    return answer;
  }
};

class CollisionTest : public ObjectWorldTest {
 protected:
  CInstance* Make(float x, float y, int32_t sprite = -1) {
    auto* i = new CInstance(x, y, 100001 + static_cast<int32_t>(m_instances.size()), -1, false);
    m_instances.push_back(i);
    i->SetSpriteIndex(sprite);
    return i;
  }
  // A 10 x 10 sprite with its origin at the top left: at (10, 10) its box is (10, 10)-(19, 19).
  int32_t Sprite(bool precise) {
    CSprite s;
    s.frameCount = 1;
    s.maskRight = 9;
    s.maskBottom = 9;
    s.precise = precise;
    s.mask = &m_mask;
    return Sprite_Add(s);
  }
  RecordingMask m_mask;
};

TEST_F(CollisionTest, PointsAgainstTheBoxEdges) {
  CInstance* i = Make(10, 10, Sprite(false));
  EXPECT_TRUE(i->CollisionPoint(19.9f, 10, false));
  EXPECT_FALSE(i->CollisionPoint(20, 10, false));
  EXPECT_FALSE(i->CollisionPoint(9.99f, 10, false));
  EXPECT_TRUE(i->CollisionPoint(10, 19.5f, true));  // not a precise sprite: the box answers
  EXPECT_TRUE(m_mask.calls.empty());
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

TEST_F(CollisionTest, PreciseTestsAskTheMaskWithNearestEvenArguments) {
  CInstance* i = Make(10.5f, 11.5f, Sprite(true));
  Compute_BoundingBox(i);
  const int32_t x = 10;  // 10.5 rounds to even
  const int32_t y = 12;  // 11.5 rounds to even
  EXPECT_FALSE(i->CollisionPoint(12.5f, 13.5f, true));
  EXPECT_FALSE(i->CollisionRectangle(15.5f, 14.5f, 12.5f, 13.5f, true));
  EXPECT_FALSE(i->CollisionEllipse(12.5f, 12.5f, 16.5f, 16.5f, true));
  EXPECT_FALSE(i->CollisionLine(0.5f, 15.5f, 100, 15.5f, true));
  using Call = RecordingMask::Call;
  EXPECT_EQ(m_mask.calls, (std::vector<Call>{{"point", x, y, {12, 14}},
                                              {"rect", x, y, {12, 14, 16, 14}},
                                              {"ellipse", x, y, {12, 12, 16, 16}},
                                              {"line", x, y, {i->bbox_left, 16, i->bbox_right + 1, 16}}}));
  // Not asked for precision, or the mask says yes.
  m_mask.calls.clear();
  EXPECT_TRUE(i->CollisionPoint(12.5f, 13.5f, false));
  EXPECT_TRUE(m_mask.calls.empty());
  m_mask.answer = true;
  EXPECT_TRUE(i->CollisionPoint(12.5f, 13.5f, true));
}

TEST_F(CollisionTest, PreciseInstancesMeetOnlyWhereBothMasksAreSet) {
  const int32_t sprite = Sprite(true);
  CInstance* i = Make(10, 10, sprite);
  CInstance* j = Make(15, 15, sprite);
  EXPECT_FALSE(i->Collision_Instance(j, true));
  EXPECT_EQ(m_mask.calls.size(), 25u);  // every pixel of the 5 x 5 overlap, first mask only
  m_mask.answer = true;
  EXPECT_TRUE(i->Collision_Instance(j, true));
}

TEST_F(CollisionTest, HugeBoxesCompareWithoutWrapping) {
  CInstance* i = Make(3e9f, 3e9f);  // no sprite: the box is the int32 limit
  Compute_BoundingBox(i);
  EXPECT_EQ(i->bbox_right, INT32_MAX);
  EXPECT_FALSE(i->CollisionRectangle(0, 0, 10, 10, false));
  EXPECT_TRUE(i->CollisionRectangle(0, 0, 4e9f, 4e9f, false));
}

}  // namespace
