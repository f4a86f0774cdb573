// Ready-made particle effects: twelve kinds in three sizes, in any colour, created in one of two
// particle systems the effects own (one below every instance, one above) from 35 particle types
// made on first use and set again before each use.
#pragma once

#include <cstdint>

// Kinds, as the ef_* constants number them.
enum : int32_t {
  kEffectExplosion = 0,
  kEffectRing,
  kEffectEllipse,
  kEffectFirework,
  kEffectSmoke,
  kEffectSmokeUp,
  kEffectStar,
  kEffectSpark,
  kEffectFlare,
  kEffectCloud,
  kEffectRain,
  kEffectSnow,
};
inline constexpr int32_t kEffectTypeCount = 35;
inline constexpr float kEffectBelowDepth = 100000.0f;
inline constexpr float kEffectAboveDepth = -100000.0f;

// Size: 0 small, 2 large, anything else medium. A kind outside 0-11 makes nothing.
void Effect_Create(bool below, int32_t kind, float x, float y, int32_t size, uint32_t colour);
// Empties both effect systems (at effect_clear and at every room start); other systems stay.
void Effect_Clear();
void Effect_EnsureSystems();
// 30 steps per second are what the recipes are tuned for: speeds scale by F, lives by 1 / F.
float Effect_SpeedFactor();
// The two systems (-1 before the first effect) and the type of a recipe slot (-1 before).
int32_t Effect_BelowSystem();
int32_t Effect_AboveSystem();
int32_t Effect_Type(int32_t slot);
// Called when every particle type is destroyed: the next effect makes its types again.
void Effect_ForgetTypes();
// Back to the start: no systems, no types (the particle tables themselves are left alone).
void Effect_Reset();
