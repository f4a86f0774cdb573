// The part_* and effect_* script functions: their names, order and argument counts, and how they
// read their arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/random.h"
#include "render/effects.h"
#include "render/lifecycle.h"
#include "render/load_stand_in.h"
#include "render/particles.h"

namespace {

class ParticleFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Particle_Reset();
    Effect_Reset();
    Random_Seed(3);
    m_first = g_BuiltinCount;
    InitParticleFunctions();
  }
  void TearDown() override {
    Particle_Reset();
    Effect_Reset();
  }

  const BuiltinFunction* Entry(const char* name) const {
    for (int32_t i = m_first; i < g_BuiltinCount; ++i) {
      if (std::strcmp(g_BuiltinFunctions[i].name, name) == 0) return &g_BuiltinFunctions[i];
    }
    return nullptr;
  }
  // Calls a function with real arguments; the result starts as -12345.
  double Call(const char* name, std::vector<double> args) const {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue_MakeReal(a));
    return CallValues(name, values);
  }
  double CallValues(const char* name, std::vector<RValue>& values) const {
    const BuiltinFunction* f = Entry(name);
    EXPECT_NE(f, nullptr) << name;
    if (f == nullptr) return NAN;
    RValue result = RValue_MakeReal(-12345);
    f->handler(&result, nullptr, nullptr, static_cast<int32_t>(values.size()), values.data());
    return result.val;
  }

  int32_t m_first = 0;
};

TEST_F(ParticleFunctionsTest, SixtyOneNamesInOrderWithTheirCountsAndEachSpellingOnOneHandler) {
  const std::vector<std::pair<std::string, int32_t>> expected = {
      {"part_type_create", 0}, {"part_type_destroy", 1}, {"part_type_exists", 1}, {"part_type_clear", 1},
      {"part_type_shape", 2}, {"part_type_sprite", 5}, {"part_type_size", 5}, {"part_type_scale", 3},
      {"part_type_life", 3}, {"part_type_step", 3}, {"part_type_death", 3}, {"part_type_speed", 5},
      {"part_type_direction", 5}, {"part_type_orientation", 6}, {"part_type_gravity", 3},
      {"part_type_color_mix", 3}, {"part_type_color_rgb", 7}, {"part_type_color_hsv", 7}, {"part_type_color1", 2},
      {"part_type_color2", 3}, {"part_type_color3", 4}, {"part_type_color", 4}, {"part_type_colour_mix", 3},
      {"part_type_colour_rgb", 7}, {"part_type_colour_hsv", 7}, {"part_type_colour1", 2},
      {"part_type_colour2", 3}, {"part_type_colour3", 4}, {"part_type_colour", 4}, {"part_type_alpha1", 2},
      {"part_type_alpha2", 3}, {"part_type_alpha3", 4}, {"part_type_alpha", 4}, {"part_type_blend", 2},
      {"part_system_create", 0}, {"part_system_destroy", 1}, {"part_system_exists", 1}, {"part_system_clear", 1},
      {"part_system_draw_order", 2}, {"part_system_depth", 2}, {"part_system_position", 3},
      {"part_system_automatic_update", 2}, {"part_system_automatic_draw", 2}, {"part_system_update", 1},
      {"part_system_drawit", 1}, {"part_particles_create", 5}, {"part_particles_create_color", 6},
      {"part_particles_create_colour", 6}, {"part_particles_clear", 1}, {"part_particles_count", 1},
      {"part_emitter_create", 1}, {"part_emitter_destroy", 2}, {"part_emitter_destroy_all", 1},
      {"part_emitter_exists", 2}, {"part_emitter_clear", 2}, {"part_emitter_region", 8}, {"part_emitter_burst", 4},
      {"part_emitter_stream", 4}, {"effect_create_below", 5}, {"effect_create_above", 5}, {"effect_clear", 0}};
  ASSERT_EQ(expected.size(), 61u);
  ASSERT_EQ(g_BuiltinCount - m_first, 61);
  for (size_t i = 0; i < expected.size(); ++i) {
    const BuiltinFunction& f = g_BuiltinFunctions[m_first + static_cast<int32_t>(i)];
    EXPECT_EQ(f.name, expected[i].first) << i;
    EXPECT_EQ(f.argumentCount, expected[i].second) << f.name;
  }
  for (const char* suffix : {"_mix", "_rgb", "_hsv", "1", "2", "3"}) {
    const std::string us = std::string("part_type_color") + suffix;
    const std::string uk = std::string("part_type_colour") + suffix;
    EXPECT_EQ(Entry(us.c_str())->handler, Entry(uk.c_str())->handler) << suffix;
  }
  EXPECT_EQ(Entry("part_type_color")->handler, Entry("part_type_colour3")->handler);
  EXPECT_EQ(Entry("part_type_colour")->handler, Entry("part_type_colour3")->handler);
  EXPECT_EQ(Entry("part_type_alpha")->handler, Entry("part_type_alpha3")->handler);
  EXPECT_EQ(Entry("part_particles_create_color")->handler, Entry("part_particles_create_colour")->handler);
}

TEST_F(ParticleFunctionsTest, IndicesRoundHalvesToEven) {
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Call("part_type_create", {}), i);
  Call("part_type_destroy", {3});
  // 2.5 tests type 2 (which exists), 3.5 tests type 4 (which exists; 3 does not).
  EXPECT_EQ(Call("part_type_exists", {2.5}), 1);
  EXPECT_EQ(Call("part_type_exists", {3.5}), 1);
  EXPECT_EQ(Call("part_type_exists", {3.4}), 0);
  EXPECT_EQ(Call("part_type_exists", {NAN}), 0);
  EXPECT_EQ(Call("part_type_exists", {1e30}), 0);
}

TEST_F(ParticleFunctionsTest, FlagsSwitchOnAtOneHalf) {
  const double ps = Call("part_system_create", {});
  Call("part_system_automatic_draw", {ps, 0.4});
  EXPECT_FALSE(ParticleSystem_Get(0)->automaticDraw);
  Call("part_system_automatic_draw", {ps, 0.5});
  EXPECT_TRUE(ParticleSystem_Get(0)->automaticDraw);
  Call("part_system_automatic_update", {ps, 0.49});
  EXPECT_FALSE(ParticleSystem_Get(0)->automaticUpdate);
}

TEST_F(ParticleFunctionsTest, ArgumentsOfOtherKindsReadAsTheirNumberOrAs0) {
  for (int i = 0; i < 3; ++i) Call("part_type_create", {});
  // Type 0 is gone, so an argument read as 0 answers 0 and one read as 2 answers 1.
  ParticleType_Destroy(0);
  std::vector<RValue> args(1, RValue_MakeReal(0));
  args[0].v64 = 0;
  args[0].kind = VALUE_INT32;
  args[0].v32 = 2;
  EXPECT_EQ(CallValues("part_type_exists", args), 1);
  args[0].kind = VALUE_INT64;
  args[0].v64 = 2;
  EXPECT_EQ(CallValues("part_type_exists", args), 1);
  args[0].kind = VALUE_BOOL;
  args[0].val = 1;
  EXPECT_EQ(CallValues("part_type_exists", args), 1);
  // A string or a pointer is 0, never its bits read as a number.
  RValue text = RValue_MakeReal(0);
  RValue_SetString(&text, "2");
  args[0] = text;
  EXPECT_EQ(CallValues("part_type_exists", args), 0);
  RValue_Release(&text);
  args[0] = RValue_MakePointer(reinterpret_cast<void*>(uintptr_t{0x4000000000000000}));
  EXPECT_EQ(CallValues("part_type_exists", args), 0);
  // Missing arguments read as 0 too, and a function without a result leaves it alone.
  EXPECT_EQ(Call("part_type_life", {1}), -12345);
  EXPECT_EQ(ParticleType_Get(1)->lifeMin, 0);
}

TEST_F(ParticleFunctionsTest, EmittersOfADestroyedSystemAndTheColourAliases) {
  const double ps = Call("part_system_create", {});
  EXPECT_EQ(Call("part_emitter_create", {ps}), 0);
  Call("part_system_destroy", {ps});
  EXPECT_EQ(Call("part_emitter_create", {ps}), -1);

  const double a = Call("part_type_create", {});
  const double b = Call("part_type_create", {});
  Call("part_type_color", {a, 0x0000FF, 0x00FF00, 0xFF0000});
  Call("part_type_colour3", {b, 0x0000FF, 0x00FF00, 0xFF0000});
  const ParticleType* ta = ParticleType_Get(static_cast<int32_t>(a));
  const ParticleType* tb = ParticleType_Get(static_cast<int32_t>(b));
  EXPECT_EQ(ta->colourMode, kParticleColourThree);
  EXPECT_EQ(std::memcmp(ta->colour, tb->colour, sizeof ta->colour), 0);
  EXPECT_EQ(ta->colour[2], 0xFF0000u);
}

TEST_F(ParticleFunctionsTest, ParticlesAndEffectsThroughTheirFunctions) {
  const double ps = Call("part_system_create", {});
  const double t = Call("part_type_create", {});
  Call("part_type_speed", {t, 2, 2, 0, 0});
  Call("part_particles_create_colour", {ps, 10.5, 20, t, 0xFF, 3});
  EXPECT_EQ(Call("part_particles_count", {ps}), 3);
  EXPECT_EQ(ParticleSystem_Get(0)->particles[0].x, 10.5f);
  EXPECT_EQ(ParticleSystem_Get(0)->particles[0].colour, 0xFFu);
  Call("part_system_update", {ps});
  EXPECT_FLOAT_EQ(ParticleSystem_Get(0)->particles[0].x, 12.5f);
  Call("part_particles_clear", {ps});
  EXPECT_EQ(Call("part_particles_count", {ps}), 0);
  EXPECT_EQ(Call("part_particles_count", {99}), 0);

  Call("effect_create_above", {kEffectStar, 5, 6, 0, 0xFF});
  ASSERT_GE(Effect_AboveSystem(), 0);
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_AboveSystem()), 1);
  Call("effect_create_below", {kEffectStar, 5, 6, 0, 0xFF});
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_BelowSystem()), 1);
  Call("effect_clear", {});
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_AboveSystem()), 0);
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_BelowSystem()), 0);
}

}  // namespace
