// The ready-made effects: their speed factor, what the recipes create, and clearing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "functions/random.h"
#include "render/effects.h"
#include "render/lifecycle.h"
#include "render/particles.h"
#include "runtime/frame_timing.h"
#include "world/room.h"

namespace {

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Particle_Reset();
    Effect_Reset();
    Random_Seed(99);
    m_room = std::make_unique<CRoom>();
    Room_Current = m_room.get();
    g_FrameTiming.fps = 30;
  }
  void TearDown() override {
    Particle_Reset();
    Effect_Reset();
    Room_Current = nullptr;
    g_FrameTiming = FrameTiming{};
  }
  void Speeds(int32_t room, int32_t fps) {
    m_room->m_speed = room;
    g_FrameTiming.fps = fps;
  }
  static const std::vector<Particle>& Above() { return ParticleSystem_Get(Effect_AboveSystem())->particles; }
  static const std::vector<Particle>& Below() { return ParticleSystem_Get(Effect_BelowSystem())->particles; }

  std::unique_ptr<CRoom> m_room;
};

TEST_F(EffectTest, TheSpeedFactorFollowsRoomSpeedAndMeasuredRate) {
  const struct {
    int32_t room, fps;
    float f;
  } cases[] = {{30, 30, 1}, {20, 60, 1}, {60, 60, 0.5f}, {60, 55, 0.5f}, {60, 40, 0.75f}, {60, 30, 1}, {90, 31, 30.0f / 31}};
  for (const auto& c : cases) {
    Speeds(c.room, c.fps);
    EXPECT_FLOAT_EQ(Effect_SpeedFactor(), c.f) << c.room << " at " << c.fps;
  }
  Room_Current = nullptr;
  EXPECT_EQ(Effect_SpeedFactor(), 1.0f);
}

TEST_F(EffectTest, ASmallExplosionAtRoomSpeed30) {
  Effect_Create(false, kEffectExplosion, 320, 240, 0, 0x0000FF);
  EXPECT_EQ(ParticleSystem_Get(Effect_AboveSystem())->depth, kEffectAboveDepth);
  EXPECT_EQ(ParticleSystem_Get(Effect_BelowSystem())->depth, kEffectBelowDepth);
  const std::vector<Particle>& p = Above();
  ASSERT_EQ(p.size(), 21u);
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(p[i].speed, 2.0f);
    EXPECT_GE(p[i].life, 10);
    EXPECT_LE(p[i].life, 15);
    EXPECT_EQ(p[i].colour, 0xFFu);
    EXPECT_EQ(p[i].x, 320.0f);
  }
  EXPECT_EQ(p[20].colour, 0u);
  EXPECT_EQ(p[20].life, 15);
  EXPECT_EQ(p[20].speed, 0.0f);
  EXPECT_TRUE(Below().empty());
}

TEST_F(EffectTest, AtRoomSpeed60TheExplosionHalvesItsSpeedAndDoublesItsLives) {
  Speeds(60, 60);
  Effect_Create(true, kEffectExplosion, 0, 0, 0, 0xFFFFFF);
  const std::vector<Particle>& p = Below();
  ASSERT_EQ(p.size(), 21u);
  const ParticleType* burst = ParticleType_Get(p[0].type);
  EXPECT_EQ(burst->lifeMin, 20);
  EXPECT_EQ(burst->lifeMax, 30);
  EXPECT_FLOAT_EQ(burst->speedMin, 1.0f);
  EXPECT_FLOAT_EQ(burst->speedIncrement, -0.05f);
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_FLOAT_EQ(p[i].speed, 1.0f);
    EXPECT_GE(p[i].life, 20);
    EXPECT_LE(p[i].life, 30);
  }
  // At only 40 frames a second the factor is 0.75: lives rint(10 / 0.75) = 13 and rint(15 / 0.75) = 20.
  Speeds(60, 40);
  Effect_Create(true, kEffectExplosion, 0, 0, 0, 0xFFFFFF);
  EXPECT_EQ(burst->lifeMin, 13);
  EXPECT_EQ(burst->lifeMax, 20);
  EXPECT_FLOAT_EQ(burst->speedMin, 1.5f);
}

TEST_F(EffectTest, RainFallsAcrossOneAndAFifthTheRoomWidthWhereverItIsAsked) {
  m_room->width = 500;
  float least = 1e9f;
  float most = -1e9f;
  for (int i = 0; i < 60; ++i) Effect_Create(false, kEffectRain, -4000, 9000, 2, 0xFFFFFF);
  ASSERT_EQ(Above().size(), 60u * 9u);
  for (const Particle& p : Above()) {
    least = std::min(least, p.x);
    most = std::max(most, p.x);
    EXPECT_GE(p.y, -30.0f);
    EXPECT_LT(p.y, -10.0f);
  }
  EXPECT_GE(least, 0.0f);
  EXPECT_LT(most, 600.0f);
  EXPECT_GT(most, 500.0f);  // beyond the room's own width
  EXPECT_EQ(ParticleType_Get(Above()[0].type)->lifeMin, 96);  // rint(480 x 0.2)
}

TEST_F(EffectTest, SizesOtherThan0And2AreMedium) {
  const struct {
    int32_t size;
    size_t flakes;
  } cases[] = {{0, 1}, {1, 3}, {2, 7}, {5, 3}, {-1, 3}};
  for (const auto& c : cases) {
    Effect_Clear();
    Effect_Create(true, kEffectSnow, 0, 0, c.size, 0xFFFFFF);
    EXPECT_EQ(Below().size(), c.flakes) << c.size;
  }
  Effect_Clear();
  Effect_Create(true, kEffectFirework, 0, 0, 5, 0xFFFFFF);
  EXPECT_EQ(Below().size(), 150u);
  Effect_Clear();
  Effect_Create(true, kEffectSmoke, 50, 50, 5, 0xFFFFFF);
  ASSERT_EQ(Below().size(), 11u);
  for (const Particle& p : Below()) {
    EXPECT_GE(p.x, 35.0f);
    EXPECT_LT(p.x, 65.0f);
  }
}

TEST_F(EffectTest, EveryKindMakesParticlesAndAnUnknownKindNone) {
  const size_t expected[12] = {21, 1, 1, 75, 6, 6, 1, 1, 1, 1, 2, 1};
  for (int32_t kind = 0; kind < 12; ++kind) {
    Effect_Clear();
    Effect_Create(false, kind, 10, 10, 0, 0xFFFFFF);
    EXPECT_EQ(Above().size(), expected[kind]) << kind;
    for (const Particle& p : Above()) EXPECT_GT(p.life, 0) << kind;
  }
  Effect_Clear();
  Effect_Create(false, 12, 10, 10, 0, 0xFFFFFF);
  Effect_Create(false, -1, 10, 10, 0, 0xFFFFFF);
  EXPECT_TRUE(Above().empty());
}

TEST_F(EffectTest, ClearingEmptiesOnlyTheEffectSystems) {
  const int32_t t = ParticleType_Create();
  const int32_t mine = ParticleSystem_Create();
  ParticleSystem_CreateParticles(mine, 0, 0, t, 4);
  Effect_Create(false, kEffectRing, 0, 0, 1, 0xFF);
  Effect_Create(true, kEffectRing, 0, 0, 1, 0xFF);
  Effect_Clear();
  EXPECT_TRUE(Above().empty());
  EXPECT_TRUE(Below().empty());
  EXPECT_EQ(ParticleSystem_CountParticles(mine), 4);
}

TEST_F(EffectTest, ADestroyedEffectSystemIsMadeAgainAndASystemInItsSlotIsLeftAlone) {
  Effect_Create(false, kEffectStar, 0, 0, 0, 0xFF);
  const int32_t above = Effect_AboveSystem();
  ParticleSystem_Destroy(above);
  // The script's own system takes the freed slot: the effects neither use nor empty it.
  const int32_t t = ParticleType_Create();
  const int32_t mine = ParticleSystem_Create();
  ASSERT_EQ(mine, above);
  ParticleSystem_CreateParticles(mine, 0, 0, t, 2);
  Effect_Clear();
  EXPECT_EQ(ParticleSystem_CountParticles(mine), 2);
  Effect_Create(false, kEffectStar, 0, 0, 0, 0xFF);
  EXPECT_NE(Effect_AboveSystem(), mine);
  EXPECT_EQ(ParticleSystem_CountParticles(mine), 2);
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_AboveSystem()), 1);
  EXPECT_EQ(ParticleSystem_Get(Effect_AboveSystem())->depth, kEffectAboveDepth);
}

TEST_F(EffectTest, DestroyingEveryTypeMakesTheEffectsMakeTheirsAgain) {
  Effect_Create(false, kEffectStar, 0, 0, 0, 0xFF);
  ParticleType_DestroyAll();
  EXPECT_EQ(Effect_Type(0), -1);
  Effect_Create(false, kEffectStar, 0, 0, 0, 0xFF);
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_AboveSystem()), 2);
  EXPECT_TRUE(ParticleType_Exists(Effect_Type(kEffectTypeCount - 1)));
}

}  // namespace
