// The drawing, particle and display actions: what they send to the recording device, compared
// with the drawing operations called directly, and the action particle system's slots.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "assets/font_test_kit.h"
#include "assets/sprite.h"
#include "assets/sprite_fixture.h"
#include "functions/action_functions.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "io/main_window.h"
#include "render/effects.h"
#include "render/particles.h"
#include "render/render_setters.h"
#include "render/render_fixture.h"
#include "render/text.h"
#include "runtime/run_state.h"
#include "world/event.h"
#include "world/instance.h"

namespace {

using math_test::Call;
using math_test::Real;
using math_test::Text;

std::vector<RValue> Reals(std::initializer_list<double> values) {
  std::vector<RValue> out;
  for (double d : values) out.push_back(Real(d));
  return out;
}

class ActionDrawTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    Builtin_Shutdown();
    InitActionFunctions();
    Particle_Reset();
    Effect_Reset();
    m_saved = g_RunState;
    argument_relative = false;
  }
  void TearDown() override {
    argument_relative = false;
    g_RunState.score = m_saved.score;
    g_RunState.lives = m_saved.lives;
    g_RunState.health = m_saved.health;
    Particle_Reset();
    Effect_Reset();
    Builtin_Shutdown();
    RenderTest::TearDown();
  }
  // The draws sent since the last call.
  std::vector<D3D9RecordedDraw> Drawn() { return render_test::TakeDraws(s_log.get()); }
  // The action draws exactly what the direct calls draw.
  void ExpectDrawsAs(const char* name, std::vector<RValue> args, const std::function<void()>& direct,
                     CInstance* self = nullptr) {
    Call(name, std::move(args), self);
    const std::vector<D3D9RecordedDraw> got = Drawn();
    direct();
    const std::vector<D3D9RecordedDraw> want = Drawn();
    EXPECT_FALSE(want.empty()) << name;
    ASSERT_EQ(got.size(), want.size()) << name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].primitiveCount, want[i].primitiveCount) << name;
      EXPECT_EQ(got[i].vertices, want[i].vertices) << name << ": the vertices differ";
    }
  }

  RunState m_saved;
  RuntimeErrorCapture errors;
};

TEST_F(ActionDrawTest, HealthBarColourCodes) {
  g_RunState.health = 50.0;
  // Back code 0: no back; 1: a black one. Bar code 0 runs red, yellow, green: yellow at half.
  ExpectDrawsAs("action_draw_health", Reals({0, 0, 100, 10, 0, 0}),
                [] { GR_Draw_Healthbar(0, 0, 100, 10, 50, 0, 0x0000FF, 0x00FFFF, 0x00FF00, 0, false, true); });
  ExpectDrawsAs("action_draw_health", Reals({0, 0, 100, 10, 1, 0}),
                [] { GR_Draw_Healthbar(0, 0, 100, 10, 50, 0, 0x0000FF, 0x00FFFF, 0x00FF00, 0, true, true); });
  ExpectDrawsAs("action_draw_health", Reals({0, 0, 100, 10, 3, 1}),
                [] { GR_Draw_Healthbar(0, 0, 100, 10, 50, 0xC0C0C0, 0, 0x808080, 0xFFFFFF, 0, true, true); });
  ExpectDrawsAs("action_draw_health", Reals({0, 0, 100, 10, 17, 17}),
                [] { GR_Draw_Healthbar(0, 0, 100, 10, 50, 0, 0xFFFF00, 0xFFFF00, 0xFFFF00, 0, true, true); });
  ExpectDrawsAs("action_draw_health", Reals({0, 0, 100, 10, 16, 18}),
                [] { GR_Draw_Healthbar(0, 0, 100, 10, 50, 0xFFFF00, 0, 0, 0, 0, true, true); });
}

TEST_F(ActionDrawTest, ShapesTakeBothCornersRelativeToTheCaller) {
  CInstance self(10.0f, 20.0f, 100001, -1, false);
  argument_relative = true;
  ExpectDrawsAs("action_draw_rectangle", Reals({1, 2, 30, 40, 1}),
                [] { GR_Draw_Rectangle(11, 22, 40, 60, true); }, &self);
  ExpectDrawsAs("action_draw_line", Reals({1, 2, 30, 40}), [] { GR_Draw_Line(11, 22, 40, 60); }, &self);
  argument_relative = false;
  ExpectDrawsAs("action_draw_rectangle", Reals({1, 2, 30, 40, 0}),
                [] { GR_Draw_Rectangle(1, 2, 30, 40, false); }, &self);
  ExpectDrawsAs("action_draw_gradient_hor", Reals({1, 2, 30, 40, 0xFF, 0xFF00}),
                [] { GR_Draw_RectangleColour(1, 2, 30, 40, 0xFF, 0xFF00, 0xFF00, 0xFF, false); });
  ExpectDrawsAs("action_draw_gradient_vert", Reals({1, 2, 30, 40, 0xFF, 0xFF00}),
                [] { GR_Draw_RectangleColour(1, 2, 30, 40, 0xFF, 0xFF, 0xFF00, 0xFF00, false); });
  ExpectDrawsAs("action_draw_ellipse", Reals({1, 2, 30, 40, 1}), [] { GR_Draw_Ellipse(1, 2, 30, 40, true); });
  ExpectDrawsAs("action_draw_ellipse_gradient", Reals({1, 2, 30, 40, 0xFF, 0xFF00}),
                [] { GR_Draw_EllipseColour(1, 2, 30, 40, 0xFF, 0xFF00, false); });
  ExpectDrawsAs("action_draw_arrow", Reals({1, 2, 30, 40, 8}), [] { GR_Draw_Arrow(1, 2, 30, 40, 8); });
  EXPECT_EQ(errors.LastReport(), "");
}

// With a font loaded, so that text reaches the device.
class ActionTextTest : public sprite_test::SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    const int32_t slot = GR_Texture_Create(512, 512, false);
    ASSERT_TRUE(
        font_test::LoadFonts(&fonts, {font_test::MonoFont()}, {{0, 0, 512, 512, 0, 0, 512, 512, 512, 512, 0}}, {slot}));
    Text_ResetState();
    Text_SetFont(0);
    Builtin_Shutdown();
    InitActionFunctions();
    m_score = g_RunState.score;
    m_lives = g_RunState.lives;
    s_log->Clear();
  }
  void TearDown() override {
    g_RunState.score = m_score;
    g_RunState.lives = m_lives;
    Builtin_Shutdown();
    SpriteTest::TearDown();
  }
  void ExpectTextAs(const char* name, std::vector<RValue> args, const std::function<void()>& direct) {
    Call(name, std::move(args));
    const std::vector<render_test::QuadVertex> got = render_test::TakeQuadVertices(s_log.get());
    direct();
    const std::vector<render_test::QuadVertex> want = render_test::TakeQuadVertices(s_log.get());
    EXPECT_FALSE(want.empty()) << name;
    EXPECT_TRUE(got.size() == want.size() && std::memcmp(got.data(), want.data(), got.size() * sizeof(render_test::QuadVertex)) == 0)
        << name;
  }

  font_test::LoadedFonts fonts;
  int32_t m_score = 0;
  int32_t m_lives = 0;
};

TEST_F(ActionTextTest, TextsAndCounters) {
  g_RunState.score = 120;
  g_RunState.lives = 3;
  ExpectTextAs("action_draw_score", {Real(5), Real(6), Text("Score:")}, [] { Text_Draw(5, 6, "Score:120", -1, -1); });
  ExpectTextAs("action_draw_life", {Real(5), Real(6), Text("Lives#")}, [] { Text_Draw(5, 6, "Lives\r3", -1, -1); });
  // '#' breaks the line in draw_text, not in draw_variable.
  ExpectTextAs("action_draw_text", {Text("ab#cd"), Real(5), Real(6)}, [] { Text_Draw(5, 6, "ab\rcd", -1, -1); });
  // Text layout breaks at '#' unless it is escaped; draw_variable keeps each one as it stands.
  ExpectTextAs("action_draw_variable", {Text("ab#cd\\#"), Real(5), Real(6)},
               [] { Text_Draw(5, 6, "ab\\#cd\\\\#", -1, -1); });
  ExpectTextAs("action_draw_variable", {Real(2.5), Real(5), Real(6)}, [] { Text_Draw(5, 6, "2.50", -1, -1); });
  ExpectTextAs("action_draw_text_transformed", {Text("a#b"), Real(5), Real(6), Real(2), Real(3), Real(30)},
               [] { Text_DrawTransformed(5, 6, "a\rb", -1, -1, 2, 3, 30); });
  // The two texts differ on the device: two lines against one.
  Call("action_draw_text", {Text("ab#cd"), Real(5), Real(6)});
  const std::vector<render_test::QuadVertex> broken = render_test::TakeQuadVertices(s_log.get());
  Call("action_draw_variable", {Text("ab#cd"), Real(5), Real(6)});
  const std::vector<render_test::QuadVertex> kept = render_test::TakeQuadVertices(s_log.get());
  ASSERT_FALSE(broken.empty());
  EXPECT_FALSE(broken.size() == kept.size() &&
               std::memcmp(broken.data(), kept.data(), kept.size() * sizeof(render_test::QuadVertex)) == 0);
}

TEST_F(ActionTextTest, DrawSpriteWithMinusOneDrawsTheCurrentFrame) {
  // Three 4 x 4 frames side by side on a 16 x 8 page.
  container::SpriteEntry e;
  e.name = "walker";
  e.width = 4;
  e.height = 4;
  e.frames = {0, 1, 2};
  ASSERT_TRUE(Load({{0, container::png_page(16, 8, sprite_test::RGBA(16, 8, [](int32_t, int32_t) { return 0xFFFFFFFFu; }))}},
                   {{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {4, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {8, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}},
                   {e}));
  g_GR_View.cullMinX = 0;
  g_GR_View.cullMinY = 0;
  g_GR_View.cullMaxX = 1000;
  g_GR_View.cullMaxY = 1000;
  g_GR_View.cullDirty = false;
  CInstance self(0.0f, 0.0f, 100001, -1, false);
  self.image_index = 2.0f;
  const auto quads = [](const std::function<void()>& draw) {
    draw();
    return render_test::TakeQuadVertices(s_log.get());
  };
  const auto byAction = quads([&] { Call("action_draw_sprite", Reals({0, 50, 50, -1}), &self); });
  const auto frame2 = quads([] { Sprite_Data(0)->SpriteDraw(2, 50, 50, 1, 1, 0, 0xFFFFFF, 1); });
  const auto frame0 = quads([] { Sprite_Data(0)->SpriteDraw(0, 50, 50, 1, 1, 0, 0xFFFFFF, 1); });
  ASSERT_FALSE(frame2.empty());
  EXPECT_TRUE(byAction.size() == frame2.size() &&
              std::memcmp(byAction.data(), frame2.data(), frame2.size() * sizeof(render_test::QuadVertex)) == 0);
  EXPECT_FALSE(frame0.size() == frame2.size() &&
               std::memcmp(frame0.data(), frame2.data(), frame2.size() * sizeof(render_test::QuadVertex)) == 0);
  g_GR_View = GR_ViewState{};
}

TEST_F(ActionDrawTest, MissingSpritesAndBackgroundsAreReported) {
  Call("action_draw_sprite", Reals({40, 0, 0, -1}));
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to draw a non-existing sprite.");
  Call("action_draw_background", Reals({40, 0, 0, 1}));
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to draw a non-existing background.");
  g_RunState.lives = 2000000000;
  Call("action_draw_life_images", Reals({0, 0, 40}));  // nothing, and nothing reported
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");
  EXPECT_TRUE(Drawn().empty());
}

// --- particles -----------------------------------------------------------------------------------

TEST_F(ActionDrawTest, BurstBeforeCreateReportsAndSlotsOutsideTheTableDoNothing) {
  Call("action_partemit_burst", Reals({0, 0, 5}));
  EXPECT_EQ(RuntimeErrorCapture::Take(), "The particle emitter must first be created.");
  Call("action_partemit_stream", Reals({16, 0, 5}));
  EXPECT_EQ(RuntimeErrorCapture::Take(), "The particle emitter must first be created.");
  const int32_t system = Action_ParticleSystem();
  ASSERT_TRUE(ParticleSystem_Exists(system));

  Call("action_parttype_life", Reals({16, 5, 9}));
  Call("action_partemit_create", Reals({16, 0, 0, 10, 0, 10}));
  Call("action_partemit_create", Reals({-1, 0, 0, 10, 0, 10}));
  EXPECT_EQ(Action_ParticleType(16), -1);
  EXPECT_EQ(Action_ParticleEmitter(16), -1);
  EXPECT_TRUE(ParticleSystem_Get(system)->emitters.empty());

  Call("action_parttype_life", Reals({2, 5, 9}));
  const int32_t type = Action_ParticleType(2);
  ASSERT_TRUE(ParticleType_Exists(type));
  EXPECT_EQ(ParticleType_Get(type)->lifeMin, 5);
  Call("action_partemit_create", Reals({1, 0, 0, 10, 0, 10}));
  Call("action_partemit_burst", Reals({1, 2, 7}));
  EXPECT_EQ(ParticleSystem_CountParticles(system), 7);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");

  // Step and death slots outside the table, or empty, count as no type.
  Call("action_parttype_secondary", Reals({2, 16, 3, 5, 4}));
  EXPECT_EQ(ParticleType_Get(type)->stepType, -1);
  EXPECT_EQ(ParticleType_Get(type)->deathType, -1);
  Call("action_parttype_secondary", Reals({2, 2, 3, 2, 4}));
  EXPECT_EQ(ParticleType_Get(type)->stepType, type);
  EXPECT_EQ(ParticleType_Get(type)->deathNumber, 4);
}

TEST_F(ActionDrawTest, CreatingTheSystemTwiceForgetsTheSlots) {
  Call("action_partsyst_create", Reals({5}));
  const int32_t system = Action_ParticleSystem();
  Call("action_parttype_life", Reals({0, 5, 9}));
  Call("action_partemit_create", Reals({0, 0, 0, 10, 0, 10}));
  Call("action_partemit_burst", Reals({0, 0, 3}));
  ASSERT_EQ(ParticleSystem_CountParticles(system), 3);
  const int32_t type = Action_ParticleType(0);

  Call("action_partsyst_create", Reals({-7}));
  EXPECT_EQ(Action_ParticleSystem(), system);
  EXPECT_EQ(ParticleSystem_Get(system)->depth, -7.0f);
  EXPECT_EQ(ParticleSystem_CountParticles(system), 0);
  EXPECT_EQ(Action_ParticleType(0), -1);
  EXPECT_EQ(Action_ParticleEmitter(0), -1);
  EXPECT_TRUE(ParticleType_Exists(type));  // the type itself stays
  Call("action_partemit_burst", Reals({0, 0, 3}));
  EXPECT_EQ(RuntimeErrorCapture::Take(), "The particle emitter must first be created.");

  Call("action_partsyst_destroy", {});
  EXPECT_EQ(Action_ParticleSystem(), -1);
  EXPECT_FALSE(ParticleSystem_Exists(system));
}

TEST_F(ActionDrawTest, EffectsArePlacedRelativeToTheCallerInRelativeMode) {
  CInstance self(100.0f, 50.0f, 100001, -1, false);
  Call("action_effect", Reals({kEffectExplosion, 20, 30, 0, 0xFF, 0}), &self);
  ASSERT_FALSE(ParticleSystem_Get(Effect_AboveSystem())->particles.empty());
  EXPECT_EQ(ParticleSystem_Get(Effect_AboveSystem())->particles[0].x, 20.0f);
  EXPECT_EQ(ParticleSystem_Get(Effect_AboveSystem())->particles[0].y, 30.0f);
  argument_relative = true;
  Call("action_effect", Reals({kEffectExplosion, 20, 30, 0, 0xFF, 1}), &self);
  ASSERT_FALSE(ParticleSystem_Get(Effect_BelowSystem())->particles.empty());
  EXPECT_EQ(ParticleSystem_Get(Effect_BelowSystem())->particles[0].x, 120.0f);
  EXPECT_EQ(ParticleSystem_Get(Effect_BelowSystem())->particles[0].y, 80.0f);
}

// --- display -------------------------------------------------------------------------------------

TEST_F(ActionDrawTest, FullscreenZeroTogglesAndOneLeaves) {
  ASSERT_FALSE(Window_GetFullscreen());
  Call("action_fullscreen", Reals({0}));
  EXPECT_TRUE(Window_GetFullscreen());
  Call("action_fullscreen", Reals({0}));
  EXPECT_FALSE(Window_GetFullscreen());
  Call("action_fullscreen", Reals({2}));
  EXPECT_TRUE(Window_GetFullscreen());
  Call("action_fullscreen", Reals({1}));
  EXPECT_FALSE(Window_GetFullscreen());
  Call("action_fullscreen", Reals({1}));
  EXPECT_FALSE(Window_GetFullscreen());
}

}  // namespace
