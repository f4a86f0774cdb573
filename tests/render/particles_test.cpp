// Particle types, systems and emitters on a seeded generator: creation, one step of ageing,
// spawning, motion and appearance, emitters, depths, and the vertices a shape particle draws.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "functions/random.h"
#include "render/effects.h"
#include "render/particles.h"
#include "render/render_fixture.h"
#include "render/transform_3d.h"
#include "runtime/error_report.h"
#include "core/value.h"

namespace {

using render_test::QuadVertex;
using render_test::TakeQuadVertices;

class ParticleTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    Particle_Reset();
    Effect_Reset();
    Random_Seed(12345);
    error_last = SharedString_Unref(error_last);
  }
  void TearDown() override {
    Particle_Shutdown();
    Effect_Reset();
    error_last = SharedString_Unref(error_last);
    RenderTest::TearDown();
  }
  // A device, a scene and the shape textures.
  void InitDrawing() {
    InitScene();
    GR_SetEmbeddedTextures(g_EmbeddedImages);
    Particle_CreateShapeTextures();
    ASSERT_NE(Particle_ShapeTexture(0), nullptr);
    s_log->Clear();
  }
  static const Particle& At(int32_t system, int32_t i) { return ParticleSystem_Get(system)->particles[i]; }
  static std::string LastError() {
    return error_last != nullptr && error_last->text != nullptr ? error_last->text : "";
  }
};

TEST_F(ParticleTest, ANewTypeHasTheDefaultsAndAClearedOneGoesBackToThemKeepingColourWords4To6) {
  const int32_t t = ParticleType_Create();
  const ParticleType fresh;
  EXPECT_EQ(ParticleType_Get(t)->lifeMin, 100);
  EXPECT_EQ(ParticleType_Get(t)->gravityDirection, 270.0f);
  ParticleType_SetColourRGB(t, 1, 2, 3, 4, 5, 6);
  ParticleType_SetBlend(t, true);
  ParticleType_SetShape(t, 5);
  ParticleType_Clear(t);
  const ParticleType* p = ParticleType_Get(t);
  EXPECT_EQ(p->shape, fresh.shape);
  EXPECT_EQ(p->colourMode, kParticleColourOne);
  EXPECT_EQ(p->colour[0], 0xFFFFFFu);
  EXPECT_EQ(p->colour[3], 4u);
  EXPECT_EQ(p->colour[5], 6u);
  EXPECT_FALSE(p->additive);
  // A destroyed slot is the next one made.
  const int32_t u = ParticleType_Create();
  ParticleType_Destroy(t);
  EXPECT_FALSE(ParticleType_Exists(t));
  EXPECT_EQ(ParticleType_Create(), t);
  EXPECT_TRUE(ParticleType_Exists(u));
}

TEST_F(ParticleTest, Alpha2GivesTheMiddleAndAParticleHasItAtHalfLife) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetAlpha2(t, 0.2f, 0.8f);
  EXPECT_FLOAT_EQ(ParticleType_Get(t)->alpha1, 0.2f);
  EXPECT_FLOAT_EQ(ParticleType_Get(t)->alpha2, 0.5f);
  EXPECT_FLOAT_EQ(ParticleType_Get(t)->alpha3, 0.8f);
  ParticleType_SetLife(t, 10, 10);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 0, 0, t, 1);
  EXPECT_FLOAT_EQ(At(ps, 0).alpha, 0.2f);
  for (int i = 0; i < 5; ++i) ParticleSystem_Update(ps);
  EXPECT_EQ(At(ps, 0).age, 5);
  EXPECT_FLOAT_EQ(At(ps, 0).alpha, 0.5f);
}

TEST_F(ParticleTest, RangesWithMinAboveMaxGiveMinAndEqualLimitsGiveThemselves) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetSize(t, 2.0f, 1.0f, 0, 0);
  ParticleType_SetLife(t, 10, 10);
  ParticleType_SetSpeed(t, 3.0f, -3.0f, 0, 0);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 0, 0, t, 50);
  ASSERT_EQ(ParticleSystem_CountParticles(ps), 50);
  for (const Particle& p : ParticleSystem_Get(ps)->particles) {
    EXPECT_EQ(p.size, 2.0f);
    EXPECT_EQ(p.life, 10);
    EXPECT_EQ(p.speed, 3.0f);
  }
  // A real range stays inside its limits, for every distribution.
  for (int32_t d : {kDistributionLinear, kDistributionGaussian, kDistributionInverseGaussian}) {
    for (int i = 0; i < 200; ++i) {
      const float v = Particle_RandomInRange(5, 7, d);
      ASSERT_GE(v, 5.0f);
      ASSERT_LE(v, 7.0f);
    }
  }
}

TEST_F(ParticleTest, ALifeOf0DiesInTheFirstUpdateAndUntilThenStopsItsSystemsDrawing) {
  InitDrawing();
  const int32_t lives = ParticleType_Create();
  const int32_t dies = ParticleType_Create();
  ParticleType_SetLife(dies, 0, 0);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 10, 10, lives, 1);
  ParticleSystem_CreateParticles(ps, 20, 20, dies, 1);
  ParticleSystem_CreateParticles(ps, 30, 30, lives, 1);
  ParticleSystem_Draw(ps);
  EXPECT_EQ(TakeQuadVertices(s_log.get()).size(), 6u);  // the first only
  ParticleSystem_SetDrawOrder(ps, false);
  ParticleSystem_Draw(ps);
  EXPECT_EQ(TakeQuadVertices(s_log.get()).size(), 6u);  // the last only
  ParticleSystem_Update(ps);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 2);
  ParticleSystem_Draw(ps);
  EXPECT_EQ(TakeQuadVertices(s_log.get()).size(), 12u);
}

TEST_F(ParticleTest, DeathAndStepNumbersSpawn) {
  const int32_t child = ParticleType_Create();
  const int32_t parent = ParticleType_Create();
  ParticleType_SetLife(parent, 1, 1);
  ParticleType_SetDeath(parent, -3, child);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 5, 6, parent, 3000);
  ParticleSystem_Update(ps);
  const int32_t spawned = ParticleSystem_CountParticles(ps);
  EXPECT_NEAR(spawned, 1000, 120);
  for (const Particle& p : ParticleSystem_Get(ps)->particles) {
    EXPECT_EQ(p.type, child);
    EXPECT_EQ(p.x, 5.0f);
    EXPECT_EQ(p.y, 6.0f);
  }
  // A death number of 2 makes two each; a step number of 0 makes nothing.
  ParticleSystem_ClearParticles(ps);
  ParticleType_SetDeath(parent, 2, child);
  ParticleSystem_CreateParticles(ps, 0, 0, parent, 4);
  ParticleSystem_Update(ps);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 8);
  ParticleSystem_ClearParticles(ps);
  ParticleType_SetLife(parent, 100, 100);
  ParticleType_SetStep(parent, 0, child);
  ParticleSystem_CreateParticles(ps, 0, 0, parent, 4);
  for (int i = 0; i < 5; ++i) ParticleSystem_Update(ps);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 4);
  // Step spawning each step: 4 parents make 3 children each per step.
  ParticleType_SetStep(parent, 3, child);
  ParticleSystem_Update(ps);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 16);
}

TEST_F(ParticleTest, AParticleThatSpawnsItsOwnTypeIsAnErrorAndSpawnsNothing) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetStep(t, 1, t);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 0, 0, t, 2);
  ParticleSystem_Update(ps);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 2);
  EXPECT_NE(LastError().find("Error: a particle cannot spawn another of the same type"), std::string::npos)
      << LastError();
}

TEST_F(ParticleTest, GravityFromRestMakesAParticleFall) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetGravity(t, 1, 270);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 100, 100, t, 1);
  ParticleSystem_Update(ps);
  const Particle& p = At(ps, 0);
  EXPECT_NEAR(p.speed, 1.0f, 1e-5f);
  EXPECT_NEAR(p.direction, 270.0f, 1e-3f);
  EXPECT_NEAR(p.y, 101.0f, 1e-4f);
  EXPECT_NEAR(p.x, 100.0f, 1e-4f);
  EXPECT_EQ(p.yPrevious, 100.0f);
}

TEST_F(ParticleTest, ASpeedWiggleMovesBackAndForthWhileTheSpeedStays0) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetSpeed(t, 0, 0, 0, 2);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 0, 0, t, 1);
  bool forward = false;
  bool back = false;
  for (int i = 0; i < 20; ++i) {
    const float before = At(ps, 0).x;
    ParticleSystem_Update(ps);
    const float moved = At(ps, 0).x - before;
    forward = forward || moved > 0.1f;
    back = back || moved < -0.1f;
    EXPECT_EQ(At(ps, 0).speed, 0.0f);
    EXPECT_NEAR(At(ps, 0).y, 0.0f, 1e-4f);
  }
  EXPECT_TRUE(forward);
  EXPECT_TRUE(back);
}

TEST_F(ParticleTest, ABurstIntoAnEllipseMakesExactlyItsNumberAllInside) {
  const int32_t t = ParticleType_Create();
  const int32_t ps = ParticleSystem_Create();
  const int32_t e = ParticleEmitter_Create(ps);
  for (int32_t d : {kDistributionLinear, kDistributionGaussian, kDistributionInverseGaussian}) {
    ParticleSystem_ClearParticles(ps);
    ParticleEmitter_SetRegion(ps, e, 100, 300, 50, 150, kEmitterEllipse, d);
    ParticleEmitter_Burst(ps, e, t, 10);
    ASSERT_EQ(ParticleSystem_CountParticles(ps), 10);
    for (const Particle& p : ParticleSystem_Get(ps)->particles) {
      const float u = (p.x - 200) / 100;
      const float v = (p.y - 100) / 50;
      EXPECT_LE(u * u + v * v, 1.0001f) << p.x << ", " << p.y;
    }
  }
  // A line puts its particles on the diagonal.
  ParticleSystem_ClearParticles(ps);
  ParticleEmitter_SetRegion(ps, e, 0, 100, 0, 10, kEmitterLine, kDistributionLinear);
  ParticleEmitter_Burst(ps, e, t, 5);
  for (const Particle& p : ParticleSystem_Get(ps)->particles) EXPECT_NEAR(p.y, p.x / 10, 1e-4f);
}

TEST_F(ParticleTest, AStreamOfMinus5ComesOnAboutOneStepInFive) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetLife(t, 1000000, 1000000);
  const int32_t ps = ParticleSystem_Create();
  const int32_t e = ParticleEmitter_Create(ps);
  ParticleEmitter_Stream(ps, e, t, -5);
  for (int i = 0; i < 1000; ++i) ParticleSystem_Update(ps);
  EXPECT_NEAR(ParticleSystem_CountParticles(ps), 200, 45);
}

TEST_F(ParticleTest, WithOldToNewOffTheNewestIsDrawnFirst) {
  InitDrawing();
  const int32_t t = ParticleType_Create();
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 100, 100, t, 1);
  ParticleSystem_CreateParticles(ps, 300, 100, t, 1);
  ParticleSystem_Draw(ps);
  std::vector<QuadVertex> v = TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].x, 100.0f - 32.0f);
  EXPECT_EQ(v[6].x, 300.0f - 32.0f);
  ParticleSystem_SetDrawOrder(ps, false);
  ParticleSystem_Draw(ps);
  v = TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].x, 300.0f - 32.0f);
  EXPECT_EQ(v[6].x, 100.0f - 32.0f);
}

TEST_F(ParticleTest, AShapeParticleDrawsSixVerticesAroundItsTruncatedCentre) {
  InitDrawing();
  g_GR_Transform.depth = 25.0f;  // the drawing depth as 3-D mode would set it
  const int32_t t = ParticleType_Create();
  ParticleType_SetShape(t, 1);
  ParticleType_SetColour1(t, 0x123456);
  ParticleType_SetAlpha1(t, 0.5f);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_SetPosition(ps, 0.5f, -0.4f);
  ParticleSystem_CreateParticles(ps, 100.4f, 50.9f, t, 1);
  ParticleSystem_Draw(ps);
  const std::vector<QuadVertex> v = TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 6u);
  // Centre (100, 50); 64 x 64 at size 1; red and blue exchanged, alpha 127 on top.
  const float expected[6][4] = {{68, 18, 0, 0}, {132, 18, 1, 0}, {132, 82, 1, 1},
                                {132, 82, 1, 1}, {68, 82, 0, 1}, {68, 18, 0, 0}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(v[i].x, expected[i][0]) << i;
    EXPECT_EQ(v[i].y, expected[i][1]) << i;
    EXPECT_EQ(v[i].u, expected[i][2]) << i;
    EXPECT_EQ(v[i].v, expected[i][3]) << i;
    EXPECT_EQ(v[i].z, 25.0f);
    EXPECT_EQ(v[i].colour, 0x7F563412u);
  }
  // Turned by 90 degrees the top-left corner goes to the bottom left.
  ParticleType_SetOrientation(t, 90, 90, 0, 0, false);
  ParticleSystem_ClearParticles(ps);
  ParticleSystem_CreateParticles(ps, 100.4f, 50.9f, t, 1);
  ParticleSystem_Draw(ps);
  const std::vector<QuadVertex> r = TakeQuadVertices(s_log.get());
  ASSERT_EQ(r.size(), 6u);
  EXPECT_NEAR(r[0].x, 68.0f, 1e-3f);
  EXPECT_NEAR(r[0].y, 82.0f, 1e-3f);
}

TEST_F(ParticleTest, AShapeOutsideTheTableEndsTheDrawingAndAnAdditiveTypeBlendsAdditively) {
  InitDrawing();
  const int32_t good = ParticleType_Create();
  ParticleType_SetBlend(good, true);
  const int32_t bad = ParticleType_Create();
  ParticleType_SetShape(bad, 14);
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(ps, 0, 0, good, 1);
  ParticleSystem_CreateParticles(ps, 0, 0, bad, 1);
  ParticleSystem_CreateParticles(ps, 0, 0, good, 1);
  const uint32_t normal = CRenderStateManager::GetRenderState(kRS_DestBlend);
  GR_SetBlendMode(kBlendAdd);
  const uint32_t additive = CRenderStateManager::GetRenderState(kRS_DestBlend);
  GR_SetBlendMode(kBlendNormal);
  ASSERT_NE(normal, additive);
  ParticleSystem_Draw(ps);
  EXPECT_EQ(TakeQuadVertices(s_log.get()).size(), 6u);
  // The blend mode is back to normal after the system.
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DestBlend), normal);
}

TEST_F(ParticleTest, DepthsOfAutomaticallyDrawnSystemsFromTheHighestDown) {
  EXPECT_EQ(ParticleSystem_MaxDepth(), kParticleNoDepth);
  EXPECT_EQ(ParticleSystem_NextDepthBelow(0), kParticleNoDepth);
  for (float d : {10.0f, -5.0f, -20.0f}) ParticleSystem_SetDepth(ParticleSystem_Create(), d);
  const int32_t hidden = ParticleSystem_Create();
  ParticleSystem_SetDepth(hidden, -1);
  ParticleSystem_SetAutomaticDraw(hidden, false);
  EXPECT_EQ(ParticleSystem_MaxDepth(), 10.0f);
  EXPECT_EQ(ParticleSystem_NextDepthBelow(0), -5.0f);
  EXPECT_EQ(ParticleSystem_NextDepthBelow(-5), -20.0f);
  EXPECT_EQ(ParticleSystem_NextDepthBelow(-20), kParticleNoDepth);
}

TEST_F(ParticleTest, EmittersReuseTheirIndexAndNeedTheirSystem) {
  const int32_t ps = ParticleSystem_Create();
  const int32_t a = ParticleEmitter_Create(ps);
  const int32_t b = ParticleEmitter_Create(ps);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  ParticleEmitter_Destroy(ps, a);
  EXPECT_FALSE(ParticleEmitter_Exists(ps, a));
  EXPECT_TRUE(ParticleEmitter_Exists(ps, b));
  EXPECT_EQ(ParticleEmitter_Create(ps), a);
  EXPECT_FALSE(ParticleEmitter_Exists(ps, 2));
  ParticleSystem_Destroy(ps);
  EXPECT_EQ(ParticleEmitter_Create(ps), -1);
  EXPECT_FALSE(ParticleEmitter_Exists(ps, a));
}

TEST_F(ParticleTest, MissingSystemsAndTypesPrintTheirConsoleLinesAndCreateNothing) {
  const int32_t t = ParticleType_Create();
  const int32_t ps = ParticleSystem_Create();
  ParticleSystem_CreateParticles(7, 0, 0, t, 3);
  ParticleSystem_CreateParticlesColour(ps, 0, 0, 9, 0xFF, 3);
  ParticleEmitter_Stream(7, 0, t, 1);
  ParticleEmitter_Stream(ps, 4, t, 1);  // a missing emitter: silently nothing
  // A burst of a missing type says so once, not once per particle.
  ParticleEmitter_Burst(ps, ParticleEmitter_Create(ps), 9, 500);
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 0);
  EXPECT_EQ(Console(),
            "part_particles_create :: particle system does not exist!\n"
            "part_particles_create :: particle type does not exist!\n"
            "part_emitter_stream :: particle system does not exist!\n"
            "part_particles_create :: particle type does not exist!\n");
  // Bad indices everywhere else do nothing.
  for (int32_t bad : {-1, 99, INT32_MIN}) {
    ParticleType_SetLife(bad, 1, 1);
    ParticleSystem_Update(bad);
    ParticleSystem_Draw(bad);
    ParticleEmitter_Burst(ps, bad, t, 5);
    EXPECT_EQ(ParticleSystem_CountParticles(bad), 0);
  }
  EXPECT_EQ(ParticleSystem_CountParticles(ps), 0);
}

TEST_F(ParticleTest, ColourModesGiveTheirColours) {
  const int32_t t = ParticleType_Create();
  ParticleType_SetLife(t, 10, 10);
  const int32_t ps = ParticleSystem_Create();
  // Two colours: merged over the life.
  ParticleType_SetColour2(t, 0x000000, 0x0000FF);
  ParticleSystem_CreateParticles(ps, 0, 0, t, 1);
  EXPECT_EQ(At(ps, 0).colour, 0u);
  for (int i = 0; i < 5; ++i) ParticleSystem_Update(ps);
  EXPECT_EQ(At(ps, 0).colour, 0x80u);
  // RGB ranges: each channel within its range, fixed for the life.
  ParticleSystem_ClearParticles(ps);
  ParticleType_SetColourRGB(t, 10, 20, 30, 40, 50, 60);
  ParticleSystem_CreateParticles(ps, 0, 0, t, 20);
  for (const Particle& p : ParticleSystem_Get(ps)->particles) {
    EXPECT_GE(p.colour & 0xFF, 10u);
    EXPECT_LE(p.colour & 0xFF, 20u);
    EXPECT_GE((p.colour >> 8) & 0xFF, 30u);
    EXPECT_LE((p.colour >> 8) & 0xFF, 40u);
    EXPECT_GE(p.colour >> 16, 50u);
    EXPECT_LE(p.colour >> 16, 60u);
  }
  const uint32_t first = At(ps, 0).colour;
  ParticleSystem_Update(ps);
  EXPECT_EQ(At(ps, 0).colour, first);
  // A colour given at creation lasts for a one-colour type.
  ParticleSystem_ClearParticles(ps);
  ParticleType_SetColour1(t, 0xFFFFFF);
  ParticleSystem_CreateParticlesColour(ps, 0, 0, t, 0x00FF00, 1);
  ParticleSystem_Update(ps);
  EXPECT_EQ(At(ps, 0).colour, 0x00FF00u);
}

TEST_F(ParticleTest, UpdateAllVisitsOnlySystemsThatUpdateThemselves) {
  const int32_t t = ParticleType_Create();
  const int32_t on = ParticleSystem_Create();
  const int32_t off = ParticleSystem_Create();
  ParticleSystem_SetAutomaticUpdate(off, false);
  ParticleSystem_CreateParticles(on, 0, 0, t, 1);
  ParticleSystem_CreateParticles(off, 0, 0, t, 1);
  ParticleSystem_UpdateAll();
  EXPECT_EQ(At(on, 0).age, 1);
  EXPECT_EQ(At(off, 0).age, 0);
}

}  // namespace
