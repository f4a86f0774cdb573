// The part_* and effect_* script functions: each converts its arguments and calls one operation of
// the particle engine or the effects.
#include <cstdint>

#include "core/function_registry.h"
#include "core/value.h"
#include "render/effects.h"
#include "render/load_stand_in.h"
#include "render/particles.h"
#include "world/builtin_values.h"

namespace {

// Every argument is read as a number whatever its kind: reals, integers and booleans give their
// value, anything else (and an argument not passed) 0.
class Args {
 public:
  Args(int32_t argc, const RValue* args) : m_argc(argc), m_args(args) {}
  double Number(int32_t i) const {
    double v = 0;
    if (i < m_argc && m_args != nullptr && Builtin_Number(&m_args[i], &v)) return v;
    return 0;
  }
  // Indices, counts, colours, shapes and kinds: the nearest integer, halves to even.
  int32_t I(int32_t i) const { return Builtin_Round(Number(i)); }
  uint32_t U(int32_t i) const { return static_cast<uint32_t>(I(i)); }
  // Flags switch on at 0.5.
  bool B(int32_t i) const { return Number(i) >= 0.5; }
  float F(int32_t i) const { return Builtin_Float(Number(i)); }

 private:
  int32_t m_argc;
  const RValue* m_args;
};

#define PART_FN(name) void name(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args)
#define ARGS             \
  const Args a(argc, args); \
  (void)a;                  \
  (void)result

void Answer(RValue* result, double v) { Builtin_Real(result, v); }

// --- types ------------------------------------------------------------------------------------

PART_FN(TypeCreate) {
  ARGS;
  Answer(result, ParticleType_Create());
}
PART_FN(TypeDestroy) {
  ARGS;
  ParticleType_Destroy(a.I(0));
}
PART_FN(TypeExists) {
  ARGS;
  Answer(result, ParticleType_Exists(a.I(0)) ? 1 : 0);
}
PART_FN(TypeClear) {
  ARGS;
  ParticleType_Clear(a.I(0));
}
PART_FN(TypeShape) {
  ARGS;
  ParticleType_SetShape(a.I(0), a.I(1));
}
PART_FN(TypeSprite) {
  ARGS;
  ParticleType_SetSprite(a.I(0), a.I(1), a.B(2), a.B(3), a.B(4));
}
PART_FN(TypeSize) {
  ARGS;
  ParticleType_SetSize(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4));
}
PART_FN(TypeScale) {
  ARGS;
  ParticleType_SetScale(a.I(0), a.F(1), a.F(2));
}
PART_FN(TypeLife) {
  ARGS;
  ParticleType_SetLife(a.I(0), a.I(1), a.I(2));
}
PART_FN(TypeStep) {
  ARGS;
  ParticleType_SetStep(a.I(0), a.I(1), a.I(2));
}
PART_FN(TypeDeath) {
  ARGS;
  ParticleType_SetDeath(a.I(0), a.I(1), a.I(2));
}
PART_FN(TypeSpeed) {
  ARGS;
  ParticleType_SetSpeed(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4));
}
PART_FN(TypeDirection) {
  ARGS;
  ParticleType_SetDirection(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4));
}
PART_FN(TypeOrientation) {
  ARGS;
  ParticleType_SetOrientation(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), a.B(5));
}
PART_FN(TypeGravity) {
  ARGS;
  ParticleType_SetGravity(a.I(0), a.F(1), a.F(2));
}
PART_FN(TypeColourMix) {
  ARGS;
  ParticleType_SetColourMix(a.I(0), a.U(1), a.U(2));
}
PART_FN(TypeColourRGB) {
  ARGS;
  ParticleType_SetColourRGB(a.I(0), a.U(1), a.U(2), a.U(3), a.U(4), a.U(5), a.U(6));
}
PART_FN(TypeColourHSV) {
  ARGS;
  ParticleType_SetColourHSV(a.I(0), a.U(1), a.U(2), a.U(3), a.U(4), a.U(5), a.U(6));
}
PART_FN(TypeColour1) {
  ARGS;
  ParticleType_SetColour1(a.I(0), a.U(1));
}
PART_FN(TypeColour2) {
  ARGS;
  ParticleType_SetColour2(a.I(0), a.U(1), a.U(2));
}
PART_FN(TypeColour3) {
  ARGS;
  ParticleType_SetColour3(a.I(0), a.U(1), a.U(2), a.U(3));
}
PART_FN(TypeAlpha1) {
  ARGS;
  ParticleType_SetAlpha1(a.I(0), a.F(1));
}
PART_FN(TypeAlpha2) {
  ARGS;
  ParticleType_SetAlpha2(a.I(0), a.F(1), a.F(2));
}
PART_FN(TypeAlpha3) {
  ARGS;
  ParticleType_SetAlpha3(a.I(0), a.F(1), a.F(2), a.F(3));
}
PART_FN(TypeBlend) {
  ARGS;
  ParticleType_SetBlend(a.I(0), a.B(1));
}

// --- systems ----------------------------------------------------------------------------------

PART_FN(SystemCreate) {
  ARGS;
  Answer(result, ParticleSystem_Create());
}
PART_FN(SystemDestroy) {
  ARGS;
  ParticleSystem_Destroy(a.I(0));
}
PART_FN(SystemExists) {
  ARGS;
  Answer(result, ParticleSystem_Exists(a.I(0)) ? 1 : 0);
}
PART_FN(SystemClear) {
  ARGS;
  ParticleSystem_Clear(a.I(0));
}
PART_FN(SystemDrawOrder) {
  ARGS;
  ParticleSystem_SetDrawOrder(a.I(0), a.B(1));
}
PART_FN(SystemDepth) {
  ARGS;
  ParticleSystem_SetDepth(a.I(0), a.F(1));
}
PART_FN(SystemPosition) {
  ARGS;
  ParticleSystem_SetPosition(a.I(0), a.F(1), a.F(2));
}
PART_FN(SystemAutomaticUpdate) {
  ARGS;
  ParticleSystem_SetAutomaticUpdate(a.I(0), a.B(1));
}
PART_FN(SystemAutomaticDraw) {
  ARGS;
  ParticleSystem_SetAutomaticDraw(a.I(0), a.B(1));
}
PART_FN(SystemUpdate) {
  ARGS;
  ParticleSystem_Update(a.I(0));
}
PART_FN(SystemDrawIt) {
  ARGS;
  ParticleSystem_Draw(a.I(0));
}
PART_FN(ParticlesCreate) {
  ARGS;
  ParticleSystem_CreateParticles(a.I(0), a.F(1), a.F(2), a.I(3), a.I(4));
}
PART_FN(ParticlesCreateColour) {
  ARGS;
  ParticleSystem_CreateParticlesColour(a.I(0), a.F(1), a.F(2), a.I(3), a.U(4), a.I(5));
}
PART_FN(ParticlesClear) {
  ARGS;
  ParticleSystem_ClearParticles(a.I(0));
}
PART_FN(ParticlesCount) {
  ARGS;
  Answer(result, ParticleSystem_CountParticles(a.I(0)));
}

// --- emitters ---------------------------------------------------------------------------------

PART_FN(EmitterCreate) {
  ARGS;
  Answer(result, ParticleEmitter_Create(a.I(0)));
}
PART_FN(EmitterDestroy) {
  ARGS;
  ParticleEmitter_Destroy(a.I(0), a.I(1));
}
PART_FN(EmitterDestroyAll) {
  ARGS;
  ParticleEmitter_DestroyAll(a.I(0));
}
PART_FN(EmitterExists) {
  ARGS;
  Answer(result, ParticleEmitter_Exists(a.I(0), a.I(1)) ? 1 : 0);
}
PART_FN(EmitterClear) {
  ARGS;
  ParticleEmitter_Clear(a.I(0), a.I(1));
}
PART_FN(EmitterRegion) {
  ARGS;
  ParticleEmitter_SetRegion(a.I(0), a.I(1), a.F(2), a.F(3), a.F(4), a.F(5), a.I(6), a.I(7));
}
PART_FN(EmitterBurst) {
  ARGS;
  ParticleEmitter_Burst(a.I(0), a.I(1), a.I(2), a.I(3));
}
PART_FN(EmitterStream) {
  ARGS;
  ParticleEmitter_Stream(a.I(0), a.I(1), a.I(2), a.I(3));
}

// --- effects ----------------------------------------------------------------------------------

PART_FN(EffectCreateBelow) {
  ARGS;
  Effect_Create(true, a.I(0), a.F(1), a.F(2), a.I(3), a.U(4));
}
PART_FN(EffectCreateAbove) {
  ARGS;
  Effect_Create(false, a.I(0), a.F(1), a.F(2), a.I(3), a.U(4));
}
PART_FN(EffectClear) {
  ARGS;
  Effect_Clear();
}

#undef ARGS
#undef PART_FN

struct Registration {
  const char* name;
  BuiltinHandler handler;
  int32_t arguments;
};

// The registration order scripts and compiled code see; each colour spelling shares a handler.
constexpr Registration kParticleFunctions[] = {
    {"part_type_create", TypeCreate, 0},
    {"part_type_destroy", TypeDestroy, 1},
    {"part_type_exists", TypeExists, 1},
    {"part_type_clear", TypeClear, 1},
    {"part_type_shape", TypeShape, 2},
    {"part_type_sprite", TypeSprite, 5},
    {"part_type_size", TypeSize, 5},
    {"part_type_scale", TypeScale, 3},
    {"part_type_life", TypeLife, 3},
    {"part_type_step", TypeStep, 3},
    {"part_type_death", TypeDeath, 3},
    {"part_type_speed", TypeSpeed, 5},
    {"part_type_direction", TypeDirection, 5},
    {"part_type_orientation", TypeOrientation, 6},
    {"part_type_gravity", TypeGravity, 3},
    {"part_type_color_mix", TypeColourMix, 3},
    {"part_type_color_rgb", TypeColourRGB, 7},
    {"part_type_color_hsv", TypeColourHSV, 7},
    {"part_type_color1", TypeColour1, 2},
    {"part_type_color2", TypeColour2, 3},
    {"part_type_color3", TypeColour3, 4},
    {"part_type_color", TypeColour3, 4},
    {"part_type_colour_mix", TypeColourMix, 3},
    {"part_type_colour_rgb", TypeColourRGB, 7},
    {"part_type_colour_hsv", TypeColourHSV, 7},
    {"part_type_colour1", TypeColour1, 2},
    {"part_type_colour2", TypeColour2, 3},
    {"part_type_colour3", TypeColour3, 4},
    {"part_type_colour", TypeColour3, 4},
    {"part_type_alpha1", TypeAlpha1, 2},
    {"part_type_alpha2", TypeAlpha2, 3},
    {"part_type_alpha3", TypeAlpha3, 4},
    {"part_type_alpha", TypeAlpha3, 4},
    {"part_type_blend", TypeBlend, 2},
    {"part_system_create", SystemCreate, 0},
    {"part_system_destroy", SystemDestroy, 1},
    {"part_system_exists", SystemExists, 1},
    {"part_system_clear", SystemClear, 1},
    {"part_system_draw_order", SystemDrawOrder, 2},
    {"part_system_depth", SystemDepth, 2},
    {"part_system_position", SystemPosition, 3},
    {"part_system_automatic_update", SystemAutomaticUpdate, 2},
    {"part_system_automatic_draw", SystemAutomaticDraw, 2},
    {"part_system_update", SystemUpdate, 1},
    {"part_system_drawit", SystemDrawIt, 1},
    {"part_particles_create", ParticlesCreate, 5},
    {"part_particles_create_color", ParticlesCreateColour, 6},
    {"part_particles_create_colour", ParticlesCreateColour, 6},
    {"part_particles_clear", ParticlesClear, 1},
    {"part_particles_count", ParticlesCount, 1},
    {"part_emitter_create", EmitterCreate, 1},
    {"part_emitter_destroy", EmitterDestroy, 2},
    {"part_emitter_destroy_all", EmitterDestroyAll, 1},
    {"part_emitter_exists", EmitterExists, 2},
    {"part_emitter_clear", EmitterClear, 2},
    {"part_emitter_region", EmitterRegion, 8},
    {"part_emitter_burst", EmitterBurst, 4},
    {"part_emitter_stream", EmitterStream, 4},
    {"effect_create_below", EffectCreateBelow, 5},
    {"effect_create_above", EffectCreateAbove, 5},
    {"effect_clear", EffectClear, 0},
};

}  // namespace

void InitParticleFunctions() {
  for (const Registration& r : kParticleFunctions) Builtin_Add(r.name, r.handler, r.arguments, 0);
}
