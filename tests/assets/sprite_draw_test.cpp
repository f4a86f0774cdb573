// Sprite drawing on the recording device: frame choice, culling by the radius in each mode, the
// stretched origin, pages against own slots, the bitmap-only operations and the error line.
#include <cstring>

#include "render/render_setters.h"
#include "render/surface.h"
#include "render/transform_3d.h"
#include "sprite_fixture.h"

namespace {

using container::SpriteEntry;
using sprite_test::RGBA;
using sprite_test::SpriteTest;

struct QV {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(QV) == 24);

class SpriteDrawTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    // Three 4 x 4 frames side by side on a 16 x 8 page; the sprite's origin is (2, 2).
    SpriteEntry e;
    e.name = "walker";
    e.width = 4;
    e.height = 4;
    e.x_origin = 2;
    e.y_origin = 2;
    e.frames = {0, 1, 2};
    ASSERT_TRUE(Load({{0, container::png_page(16, 8, RGBA(16, 8, [](int32_t x, int32_t) {
                                                 return 0xFF000000u | static_cast<uint32_t>(x * 16);
                                               }))}},
                     {{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {4, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0},
                      {8, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}},
                     {e}))
        << Game_LoadFailure();
    sprite = Sprite_Data(0);
    // A surface the size of the cull rectangle: binding it leaves that rectangle as it is.
    s_surface = Surface_Create(101, 101, -1);
    ASSERT_GE(s_surface, 0);
    SetCull(0, 0, 100, 100);
    s_log->Clear();
  }
  static void SetCull(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    g_GR_View.cullMinX = left;
    g_GR_View.cullMinY = top;
    g_GR_View.cullMaxX = right;
    g_GR_View.cullMaxY = bottom;
    g_GR_View.cullDirty = false;
  }
  void TearDown() override {
    while (Surface_StackDepth() > 0 && Surface_ResetTarget()) {
    }
    g_SurfaceTargets = SurfaceTargetState{};
    Surface_FreeAll();
    g_GR_View = GR_ViewState{};
    GR_Set3DMode(false);
    Texture_PopAllTargets();
    SpriteTest::TearDown();
  }

  // The vertices drawn since the last call, and the texture of the last draw.
  std::vector<QV> Drawn(std::string* texture = nullptr) {
    GraphicsFlush();
    std::vector<QV> out;
    for (const D3D9RecordedDraw& d : Draws()) {
      const size_t n = d.vertices.size() / sizeof(QV);
      const size_t at = out.size();
      out.resize(at + n);
      std::memcpy(out.data() + at, d.vertices.data(), n * sizeof(QV));
      if (texture != nullptr) *texture = d.texture;
    }
    s_log->Clear();
    return out;
  }

  CSprite* sprite = nullptr;
  static inline int32_t s_surface = -1;
};

TEST_F(SpriteDrawTest, FramesWrapAroundTheCount) {
  EXPECT_EQ(sprite->radius, 3);  // ceil(sqrt(8))
  struct Case {
    int32_t frame;
    float u;
  };
  for (const Case c : {Case{-1, 8.0f / 16}, Case{3, 0.0f}, Case{4, 4.0f / 16}, Case{-4, 8.0f / 16}}) {
    SCOPED_TRACE(c.frame);
    sprite->SpriteDrawSimple(c.frame, 50, 50);
    std::vector<QV> v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].u, c.u);
    EXPECT_EQ(v[0].x, 48);  // the origin is subtracted
    EXPECT_EQ(v[0].y, 48);
  }
}

TEST_F(SpriteDrawTest, TheRadiusCullsUnlessTheModeForbidsIt) {
  struct Case {
    const char* name;
    void (*setup)();
    bool simple;
    float x, scale;
    bool drawn;
  };
  const auto none = [] {};
  const Case cases[] = {
      {"ext: origin just outside, the rest showing", none, false, -1, 1, true},
      {"ext: further than the radius", none, false, -4, 1, false},
      {"ext: the scale widens the margin", none, false, -4, 2, true},
      {"ext: beyond the bottom right", none, false, 104, 1, false},
      {"ext in 3-D mode", [] { GR_Set3DMode(true); }, false, -4, 1, true},
      {"ext with a custom projection", [] { g_GR_View.customProjection = true; }, false, -4, 1, true},
      {"simple: further than the radius", none, true, -4, 1, false},
      {"simple in 3-D mode is still culled", [] { GR_Set3DMode(true); }, true, -4, 1, false},
      {"simple into a surface the game set", [] { ASSERT_TRUE(Surface_SetTarget(0, s_surface)); }, true, -400, 1, true},
      // The redraw binds the application surface for its whole pass: that is no reason to stop
      // culling, or every off-screen sprite of a normal frame would be sent.
      {"simple into the application surface", [] { ASSERT_TRUE(Surface_SetRoomTarget(s_surface)); }, true, -400, 1,
       false},
      {"simple into a surface set inside the redraw's pass",
       [] {
         ASSERT_TRUE(Surface_SetRoomTarget(s_surface));
         ASSERT_TRUE(Surface_SetTarget(0, s_surface));
       },
       true, -400, 1, true},
      {"simple with a custom projection", [] { g_GR_View.customProjection = true; }, true, -4, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setup();
    if (c.simple) {
      sprite->SpriteDrawSimple(0, c.x, 50);
    } else {
      sprite->SpriteDraw(0, c.x, 50, c.scale, c.scale, 0, 0xFFFFFF, 1);
    }
    EXPECT_EQ(Drawn().size(), c.drawn ? 6u : 0u);
    GR_Set3DMode(false);
    g_GR_View.customProjection = false;
    while (Surface_StackDepth() > 0) ASSERT_TRUE(Surface_ResetTarget());
    SetCull(0, 0, 100, 100);
  }
  // The general draw culls with a margin per axis, also into the application surface.
  sprite->DrawGeneral(0, 0, 0, 4, 4, -4, 50, 2, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  EXPECT_EQ(Drawn().size(), 6u);
  sprite->DrawGeneral(0, 0, 0, 4, 4, 50, -4, 2, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  EXPECT_EQ(Drawn().size(), 0u);
  ASSERT_TRUE(Surface_SetRoomTarget(s_surface));
  sprite->DrawGeneral(0, 0, 0, 4, 4, 50, -4, 2, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  EXPECT_EQ(Drawn().size(), 0u);
  ASSERT_TRUE(Surface_SetTarget(0, s_surface));
  sprite->DrawGeneral(0, 0, 0, 4, 4, 50, -4, 2, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  EXPECT_EQ(Drawn().size(), 6u);
}

TEST_F(SpriteDrawTest, StretchedSpritesIgnoreTheirOrigin) {
  sprite->DrawStretched(1, 10, 20, 8, 12, 0xFFFFFF, 1);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].x, 10);
  EXPECT_EQ(v[0].y, 20);
  EXPECT_EQ(v[2].x, 18);
  EXPECT_EQ(v[2].y, 32);
  sprite->DrawStretched(1, 10, 20, 0, 12, 0xFFFFFF, 1);
  EXPECT_TRUE(Drawn().empty());
}

TEST_F(SpriteDrawTest, ContainerSpritesDrawFromThePageAndDuplicatesFromTheirOwnSlot) {
  std::string pageTexture;
  sprite->SpriteDraw(2, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  std::vector<QV> v = Drawn(&pageTexture);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].u, 8.0f / 16);
  EXPECT_FLOAT_EQ(v[2].u, 12.0f / 16);

  CSprite* copy = Sprite_Data(Sprite_Duplicate(0));
  ASSERT_NE(copy, nullptr);
  std::string copyTexture;
  copy->SpriteDraw(2, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  v = Drawn(&copyTexture);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NE(copyTexture, pageTexture);
  EXPECT_FLOAT_EQ(v[0].u, 0.0f);  // a whole texture of its own
  EXPECT_FLOAT_EQ(v[2].u, 1.0f);
  EXPECT_EQ(v[0].x, 48);
}

TEST_F(SpriteDrawTest, BitmapOnlyOperationsDrawNothingForOtherKinds) {
  CSprite vector;
  vector.kind = kSpriteKindVector;
  vector.frameCount = 1;
  CSprite* v = Sprite_Data(Sprite_Add(vector));
  v->DrawPos(0, 0, 0, 10, 0, 10, 10, 0, 10, 0xFFFFFF, 1);
  v->DrawPart(0, 0, 0, 2, 2, 0, 0, 1, 1, 0xFFFFFF, 1);
  v->DrawGeneral(0, 0, 0, 2, 2, 0, 0, 1, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  v->SpriteDraw(0, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_TRUE(Drawn().empty());
  sprite->DrawPos(0, 0, 0, 10, 0, 10, 10, 0, 10, 0xFFFFFF, 1);
  sprite->DrawPart(0, 1, 1, 2, 2, 0, 0, 1, 1, 0xFFFFFF, 1);
  sprite->DrawTiled(0, 0, 0, 1, 1, true, false, 0, 0, 100, 100, 0xFFFFFF, 1);
  EXPECT_GT(Drawn().size(), 12u);
  EXPECT_EQ(Console().find("Error attempting"), std::string::npos);
}

TEST_F(SpriteDrawTest, AFrameThatCannotBeDrawnPrintsTheErrorLine) {
  WriteFile("one.png", container::png_page(2, 2, RGBA(2, 2, [](int32_t, int32_t) { return 0xFFFFFFFFu; })));
  const int32_t index = Sprite_Add("one.png", 1, false, false, false, true, 0, 0);
  CSprite* own = Sprite_Data(index);
  own->SpriteDraw(0, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_EQ(Drawn().size(), 6u);
  own->FreeTextures();
  own->entries.reset();  // without entries it draws from its (freed) slot
  own->SpriteDraw(0, 50, 50, 1, 1, 0, 0xFFFFFF, 1);
  EXPECT_TRUE(Drawn().empty());
  EXPECT_NE(Console().find("Error attempting to draw sprite __newsprite" + std::to_string(index) + "\n"),
            std::string::npos);
}

}  // namespace
