// Collision masks and the precise tests: the three mappings of sprite against sprite, mask
// selection, edges and truncation, lines both ways, shaped masks, bounding boxes, and scales of 0.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "assets/bitmap32.h"
#include "assets/sprite_mask.h"
#include "sprite_fixture.h"

namespace {

using container::SpriteEntry;
using sprite_test::RGBA;
using sprite_test::SpriteTest;

// A bitmap sprite of width x height with one mask per `solid` (each pixel solid where it says).
void Shape(CSprite* s, int32_t width, int32_t height, std::vector<std::function<bool(int32_t, int32_t)>> solid) {
  s->width = width;
  s->height = height;
  s->frameCount = static_cast<int32_t>(std::max<size_t>(solid.size(), 1));
  s->masks.clear();
  for (const auto& f : solid) {
    std::vector<uint8_t> mask(static_cast<size_t>(width * height));
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) mask[static_cast<size_t>(y * width + x)] = f(x, y) ? 1 : 0;
    }
    s->masks.push_back(mask);
  }
  s->masksBuilt = !solid.empty();
}

MaskPlacement At(int32_t x, int32_t y, MaskBox box, float xscale = 1, float yscale = 1, float angle = 0,
                 int32_t image = 0) {
  MaskPlacement at;
  at.image = image;
  at.bbox = box;
  at.x = x;
  at.y = y;
  at.xscale = xscale;
  at.yscale = yscale;
  at.angle = angle;
  return at;
}

const auto kFull = [](int32_t, int32_t) { return true; };

class SpriteMaskTest : public SpriteTest {};

TEST_F(SpriteMaskTest, SpritesMeetByEachOfTheThreeMappings) {
  CSprite full;
  Shape(&full, 4, 4, {kFull});
  CSprite dot;  // only (1, 2)
  Shape(&dot, 4, 4, {[](int32_t x, int32_t y) { return x == 1 && y == 2; }});
  CSprite column;  // only column 0
  Shape(&column, 4, 4, {[](int32_t x, int32_t) { return x == 0; }});
  CSprite bar;  // 4 x 1, solid
  Shape(&bar, 4, 1, {kFull});
  CSprite pixel;  // 1 x 1 without masks: its whole image
  Shape(&pixel, 1, 1, {});

  struct Case {
    const char* name;
    const CSprite* a;
    MaskPlacement atA;
    const CSprite* b;
    MaskPlacement atB;
    bool meet;
  };
  const Case cases[] = {
      {"identity: the dot lies in the overlap", &full, At(10, 10, {10, 10, 13, 13}), &dot, At(10, 10, {10, 10, 13, 13}),
       true},
      {"identity: the overlap misses the dot", &dot, At(10, 10, {10, 10, 13, 13}), &full, At(12, 10, {12, 10, 15, 13}),
       false},
      {"scaled: (13, 13) is pixel (1, 1) of the doubled sprite", &full, At(10, 10, {10, 10, 17, 17}, 2, 2),
       &dot, At(12, 11, {12, 11, 15, 14}), true},
      {"scaled: -0.5 truncates into column 0", &column, At(10, 10, {11, 10, 11, 13}, -2, 1), &full,
       At(11, 10, {11, 10, 14, 13}), true},
      {"scaled: -1.0 is outside", &column, At(10, 10, {11, 10, 11, 13}, -1, 1), &full,
       At(11, 10, {11, 10, 14, 13}), false},
      {"turned: a bar at 90 degrees points up", &bar, At(10, 10, {10, 7, 10, 10}, 1, 1, 90), &pixel,
       At(10, 7, {10, 7, 10, 7}), true},
      {"unturned, the same bar lies along the row", &bar, At(10, 10, {10, 7, 10, 10}), &pixel,
       At(10, 7, {10, 7, 10, 7}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PreciseCollision(c.a, c.atA, c.b, c.atB), c.meet);
    EXPECT_EQ(PreciseCollision(c.b, c.atB, c.a, c.atA), c.meet);
  }
}

TEST_F(SpriteMaskTest, FramesSelectTheirMaskModuloTheCount) {
  CSprite four;
  Shape(&four, 1, 1, {[](int32_t, int32_t) { return false; }, [](int32_t, int32_t) { return false; },
                      [](int32_t, int32_t) { return false; }, kFull});
  CSprite shared;
  Shape(&shared, 1, 1, {kFull});
  shared.frameCount = 3;
  const MaskBox box{0, 0, 0, 0};
  EXPECT_TRUE(four.PointInMask(At(0, 0, box, 1, 1, 0, -1), 0, 0));  // -1 is mask 3
  EXPECT_TRUE(four.PointInMask(At(0, 0, box, 1, 1, 0, 7), 0, 0));
  EXPECT_FALSE(four.PointInMask(At(0, 0, box, 1, 1, 0, 0), 0, 0));
  EXPECT_TRUE(PreciseCollision(&four, At(0, 0, box, 1, 1, 0, -1), &shared, At(0, 0, box, 1, 1, 0, 2)));
  EXPECT_FALSE(PreciseCollision(&four, At(0, 0, box, 1, 1, 0, -2), &shared, At(0, 0, box)));
  for (int32_t f = -3; f < 3; ++f) EXPECT_TRUE(shared.PointInMask(At(0, 0, box, 1, 1, 0, f), 0, 0)) << f;
}

TEST_F(SpriteMaskTest, PointsRectanglesEllipsesAndLinesMapByTheFloor) {
  CSprite s;  // 10 x 5, only (5, 2)
  Shape(&s, 10, 5, {[](int32_t x, int32_t y) { return x == 5 && y == 2; }});
  const MaskPlacement at = At(0, 0, {0, 0, 9, 4});
  CSprite edge;  // 2 x 2 solid, at x 10 doubled
  Shape(&edge, 2, 2, {kFull});
  const MaskPlacement doubled = At(10, 0, {10, 0, 13, 3}, 2, 2);
  EXPECT_TRUE(edge.PointInMask(doubled, 10, 0));   // the left edge is column 0
  EXPECT_FALSE(edge.PointInMask(doubled, 9, 0));   // -0.5 floors to -1
  EXPECT_TRUE(edge.PointInMask(doubled, 13, 3));

  EXPECT_TRUE(s.PointInMask(at, 5, 2));
  EXPECT_FALSE(s.PointInMask(at, 4, 2));
  EXPECT_TRUE(s.RectInMask(at, {3, 1, 6, 2}));
  EXPECT_FALSE(s.RectInMask(at, {6, 0, 9, 4}));
  EXPECT_TRUE(s.EllipseInMask(at, {3, 0, 7, 4}));   // the centre
  EXPECT_TRUE(s.EllipseInMask(at, {5, 0, 9, 4}));   // (5, 2) is its left end, on the rim
  EXPECT_FALSE(s.EllipseInMask(at, {6, 0, 9, 4}));
  // Lines both ways, along the row and across it.
  for (const auto& l : std::vector<std::array<int32_t, 4>>{{0, 2, 9, 2}, {9, 2, 0, 2}, {1, 0, 9, 4}, {9, 4, 1, 0}}) {
    EXPECT_TRUE(s.LineInMask(at, l[0], l[1], l[2], l[3])) << l[0] << "," << l[1] << " to " << l[2] << "," << l[3];
  }
  EXPECT_FALSE(s.LineInMask(at, 0, 3, 9, 3));
  EXPECT_FALSE(s.LineInMask(at, 9, 0, 1, 3));
  // A sprite without masks is solid everywhere; one without frames nowhere.
  CSprite open;
  open.frameCount = 1;
  EXPECT_TRUE(open.PointInMask(at, 100, 100));
  CSprite none;
  Shape(&none, 1, 1, {kFull});
  none.frameCount = 0;
  EXPECT_FALSE(none.RectInMask(at, {0, 0, 9, 9}));
}

TEST_F(SpriteMaskTest, NarrowEllipsesCountOnlyTheirCentreLine) {
  CSprite s;
  Shape(&s, 3, 3, {[](int32_t x, int32_t y) { return x == 1 && y == 1; }});
  const MaskPlacement at = At(0, 0, {0, 0, 2, 2});
  EXPECT_TRUE(s.EllipseInMask(at, {1, 0, 1, 2}));   // zero width: the centre column
  EXPECT_TRUE(s.EllipseInMask(at, {1, 1, 2, 1}));   // both radii 0: only the centre (1, 1)
  EXPECT_FALSE(s.EllipseInMask(at, {0, 1, 1, 1}));  // right - left 1: the centre is (0, 1)
  EXPECT_FALSE(s.EllipseInMask(at, {0, 0, 1, 2}));  // centre column 0
  EXPECT_FALSE(s.EllipseInMask(at, {2, 0, 2, 2}));
}

TEST_F(SpriteMaskTest, ScalesOfZeroHitNothing) {
  CSprite s;
  Shape(&s, 4, 4, {kFull});
  CSprite other;
  Shape(&other, 4, 4, {kFull});
  for (float angle : {0.0f, 30.0f}) {
    SCOPED_TRACE(angle);
    const MaskPlacement zero = At(10, 10, {8, 8, 14, 14}, 0, 0, angle);
    EXPECT_FALSE(PreciseCollision(&s, zero, &other, At(8, 8, {8, 8, 14, 14})));
    EXPECT_FALSE(s.PointInMask(zero, 11, 11));
    EXPECT_FALSE(s.RectInMask(zero, {8, 8, 14, 14}));
    EXPECT_FALSE(s.LineInMask(zero, 8, 9, 14, 13));
  }
  EXPECT_FALSE(PreciseCollision(&s, At(10, 10, {8, 8, 14, 14}, 0, 1), &other, At(8, 8, {8, 8, 14, 14})));
}

TEST_F(SpriteMaskTest, ShapedMasksFillTheBoxOrFollowTheAlpha) {
  CSprite disc;
  disc.frameCount = 1;
  disc.width = 10;
  disc.height = 10;
  disc.SetCollisionMask(true, 2, {0, 0, 9, 9}, 2, 0);
  ASSERT_TRUE(disc.masksBuilt);
  const uint8_t* m = disc.MaskOf(0);
  // Centre (4, 4), radii 4.5: the disc reaches column 0 and row 0 but not column or row 9.
  const auto at = [&](int32_t x, int32_t y) { return m[y * 10 + x]; };
  EXPECT_EQ(at(4, 4), 1);
  EXPECT_EQ(at(0, 4), 1);
  EXPECT_EQ(at(4, 0), 1);
  EXPECT_EQ(at(8, 4), 1);
  EXPECT_EQ(at(9, 4), 0);
  EXPECT_EQ(at(4, 9), 0);
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(1, 1), 1);  // 2 x (3 / 4.5)^2 = 0.89
  EXPECT_EQ(at(1, 0), 0);  // (3 / 4.5)^2 + (4 / 4.5)^2 = 1.23
  EXPECT_EQ((std::vector<int32_t>{disc.maskLeft, disc.maskTop, disc.maskRight, disc.maskBottom}),
            (std::vector<int32_t>{0, 0, 9, 9}));

  // A manual box is kept unclamped, and box mode 3 leaves it: a shape fills only its part inside
  // the image.
  CSprite wide;
  wide.frameCount = 2;
  wide.width = 4;
  wide.height = 3;
  wide.SetBBoxMode(2);
  wide.SetBBox({-5, -5, 50, 50});
  wide.SetCollisionMask(false, 3, {}, 1, 0);
  ASSERT_EQ(wide.MaskCount(), 2);
  for (const auto& mask : wide.masks) EXPECT_EQ(mask, std::vector<uint8_t>(12, 1));
  wide.SetCollisionMask(true, 3, {}, 2, 0);  // an ellipse round (22, 22)
  EXPECT_EQ(wide.masks[0], std::vector<uint8_t>(12, 0));

  // Kind 0: alpha above the tolerance.
  CSprite alpha;
  alpha.frameCount = 1;
  alpha.width = 16;
  alpha.height = 16;
  auto* bitmap = new CBitmap32(16, 16, 0);
  for (uint32_t i = 0; i < 256; ++i) bitmap->Pixels()[i] = i << 24;
  alpha.bitmaps.push_back(bitmap);
  alpha.SetCollisionMask(true, 0, {}, 0, 128);
  const uint8_t* am = alpha.MaskOf(0);
  for (uint32_t a : {0u, 127u, 128u}) EXPECT_EQ(am[a], 0) << a;
  for (uint32_t a : {129u, 200u, 255u}) EXPECT_EQ(am[a], 1) << a;
}

TEST_F(SpriteMaskTest, ImageSpritesGetTheirBoxAndMasksFromTheAlpha) {
  WriteFile("dot.png", container::png_page(4, 4, RGBA(4, 4, [](int32_t x, int32_t y) {
                                             return x == 1 && y == 2 ? 0xFF00FF00u : 0x00000000u;
                                           })));
  CSprite* s = Sprite_Data(Sprite_AddAlpha("dot.png", 1, true, true, 0, 0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskTop, s->maskRight, s->maskBottom}),
            (std::vector<int32_t>{1, 2, 1, 2}));
  ASSERT_TRUE(s->masksBuilt);
  EXPECT_EQ(std::count(s->masks[0].begin(), s->masks[0].end(), 1), 1);
  EXPECT_EQ(s->masks[0][2 * 4 + 1], 1);
  EXPECT_EQ(s->radius, 6);  // ceil(sqrt(32))
  s->SetPrecise(false);
  EXPECT_FALSE(s->masksBuilt);
  s->SetPrecise(true);
  EXPECT_TRUE(s->masksBuilt);

  // A manual box is only taken in mode 2, as given.
  s->SetBBox({0, 0, 50, 50});
  EXPECT_EQ(s->maskRight, 1);
  s->SetBBoxMode(2);
  s->SetBBox({-1, 0, 50, 50});
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskRight}), (std::vector<int32_t>{-1, 50}));
  s->SetBBoxMode(1);
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskTop, s->maskRight, s->maskBottom}),
            (std::vector<int32_t>{0, 0, 3, 3}));
  s->SetBBoxMode(0);
  EXPECT_EQ(s->maskLeft, 1);
  s->SetBBoxMode(7);
  EXPECT_EQ(s->bboxMode, 0);
}

TEST_F(SpriteMaskTest, ContainerSpritesGoBackToTheirEntrysBoxInTheAutomaticMode) {
  SpriteEntry e;
  e.name = "page";
  e.width = 8;
  e.height = 8;
  e.frames = {0};
  e.bbox_left = 2;
  e.bbox_right = 5;
  e.bbox_bottom = 6;
  e.bbox_top = 1;
  ASSERT_TRUE(Load({{0, container::png_page(8, 8, RGBA(8, 8, [](int32_t, int32_t) { return 0xFFFFFFFFu; }))}},
                   {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}}, {e}));
  CSprite* s = Sprite_Data(0);
  s->SetBBoxMode(1);
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskTop, s->maskRight, s->maskBottom}),
            (std::vector<int32_t>{0, 0, 7, 7}));
  s->SetBBoxMode(0);
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskTop, s->maskRight, s->maskBottom}),
            (std::vector<int32_t>{2, 1, 5, 6}));
  // Its collision masks need frames of its own.
  s->SetCollisionMask(true, 1, {}, 1, 0);
  EXPECT_FALSE(s->masksBuilt);
}

}  // namespace
