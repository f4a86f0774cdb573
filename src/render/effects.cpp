#include "render/effects.h"

#include <cmath>
#include <cstdint>

#include "render/particles.h"
#include "runtime/frame_timing.h"
#include "world/room.h"

namespace {

// Recipe slots in the order the types are made.
constexpr int32_t kSlotExplosion = 0;  // burst, centre for each size
constexpr int32_t kSlotRing = 6;
constexpr int32_t kSlotEllipse = 9;
constexpr int32_t kSlotFirework = 12;
constexpr int32_t kSlotSmoke = 15;
constexpr int32_t kSlotSmokeUp = 18;
constexpr int32_t kSlotStar = 21;
constexpr int32_t kSlotSpark = 24;
constexpr int32_t kSlotFlare = 27;
constexpr int32_t kSlotCloud = 30;
constexpr int32_t kSlotRain = 33;
constexpr int32_t kSlotSnow = 34;

constexpr int32_t kShapeLine = 3;
constexpr int32_t kShapeStar = 4;
constexpr int32_t kShapeRing = 6;
constexpr int32_t kShapeFlare = 8;
constexpr int32_t kShapeSpark = 9;
constexpr int32_t kShapeExplosion = 10;
constexpr int32_t kShapeSnow = 13;

// The systems by index and serial: a script may destroy one and make a system of its own in the
// same slot, which the effects must then neither draw into nor empty.
int32_t g_below = -1;
int32_t g_above = -1;
uint64_t g_belowSerial = 0;
uint64_t g_aboveSerial = 0;

bool Owned(int32_t system, uint64_t serial) { return serial != 0 && ParticleSystem_Serial(system) == serial; }
bool g_typesMade = false;
int32_t g_types[kEffectTypeCount] = {};

// A life of n steps at 30 per second, at the speed the game runs: n / F to the nearest whole
// step, halves to even (F is always above 0).
int32_t Life(float n, float f) {
  const double r = std::nearbyint(static_cast<double>(n) / static_cast<double>(f));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// An explicit size index: 0 small, 2 large, anything else medium.
int32_t SizeIndex(int32_t size) { return size == 0 ? 0 : size == 2 ? 2 : 1; }

void Orientation360(int32_t t) { ParticleType_SetOrientation(t, 0, 360, 0, 0, false); }
void Direction360(int32_t t) { ParticleType_SetDirection(t, 0, 360, 0, 0); }

struct Where {
  int32_t system;
  float x, y;
  int32_t size;
  uint32_t colour;
  float f;
};

void Explosion(const Where& w) {
  struct Row {
    float size, sizeInc, speed, speedInc, lifeMin, lifeMax;
    float centreSize, centreInc, centreLife;
  };
  static constexpr Row kRows[3] = {{0.1f, 0.05f, 2, -0.1f, 10, 15, 0.1f, 0.1f, 15},
                                   {0.3f, 0.1f, 4, -0.18f, 12, 17, 0.3f, 0.2f, 17},
                                   {0.4f, 0.2f, 7, -0.2f, 15, 20, 0.4f, 0.4f, 20}};
  const Row& r = kRows[w.size];
  const float f = w.f;
  const int32_t burst = g_types[kSlotExplosion + 2 * w.size];
  const int32_t centre = g_types[kSlotExplosion + 2 * w.size + 1];
  ParticleType_SetShape(burst, kShapeExplosion);
  ParticleType_SetSize(burst, r.size, r.size, r.sizeInc * f, 0);
  ParticleType_SetSpeed(burst, r.speed * f, r.speed * f, r.speedInc * f, 0);
  Direction360(burst);
  Orientation360(burst);
  ParticleType_SetAlpha2(burst, 0.6f, 0);
  ParticleType_SetLife(burst, Life(r.lifeMin, f), Life(r.lifeMax, f));
  ParticleType_SetShape(centre, kShapeExplosion);
  ParticleType_SetSize(centre, r.centreSize, r.centreSize, r.centreInc * f, 0);
  Orientation360(centre);
  ParticleType_SetAlpha2(centre, 0.8f, 0);
  ParticleType_SetLife(centre, Life(r.centreLife, f), Life(r.centreLife, f));
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, burst, w.colour, 20);
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, centre, 0, 1);
}

void RingOrEllipse(const Where& w, bool ellipse) {
  struct Row {
    float inc, lifeMin, lifeMax;
  };
  static constexpr Row kRing[3] = {{0.15f, 10, 12}, {0.25f, 13, 15}, {0.4f, 18, 20}};
  static constexpr Row kEllipse[3] = {{0.2f, 10, 12}, {0.35f, 13, 15}, {0.6f, 18, 20}};
  const Row& r = (ellipse ? kEllipse : kRing)[w.size];
  const int32_t t = g_types[(ellipse ? kSlotEllipse : kSlotRing) + w.size];
  ParticleType_SetShape(t, kShapeRing);
  ParticleType_SetSize(t, 0, 0, r.inc * w.f, 0);
  if (ellipse) ParticleType_SetScale(t, 1, 0.5f);
  ParticleType_SetAlpha2(t, 1, 0);
  ParticleType_SetLife(t, Life(r.lifeMin, w.f), Life(r.lifeMax, w.f));
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, t, w.colour, 1);
}

void Firework(const Where& w) {
  struct Row {
    float speedMax, lifeMin, lifeMax, gravity;
    int32_t count;
  };
  static constexpr Row kRows[3] = {{3, 15, 25, 0.1f, 75}, {6, 20, 30, 0.15f, 150}, {8, 30, 40, 0.17f, 250}};
  const Row& r = kRows[w.size];
  // One type serves every size.
  const int32_t t = g_types[kSlotFirework + 1];
  ParticleType_SetShape(t, kShapeFlare);
  ParticleType_SetSize(t, 0.1f, 0.2f, 0, 0);
  ParticleType_SetSpeed(t, 0.5f * w.f, r.speedMax * w.f, 0, 0);
  Direction360(t);
  ParticleType_SetAlpha2(t, 1, 0.4f);
  ParticleType_SetGravity(t, r.gravity * w.f, 270);
  ParticleType_SetLife(t, Life(r.lifeMin, w.f), Life(r.lifeMax, w.f));
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, t, w.colour, r.count);
}

void Smoke(const Where& w, bool up) {
  struct Row {
    float sizeMin, sizeMax, life;
    int32_t count, spread;
    float speedMin, speedMax;
  };
  static constexpr Row kRows[3] = {
      {0.2f, 0.4f, 25, 6, 5, 3, 4}, {0.4f, 0.7f, 30, 11, 15, 5, 6}, {0.4f, 1, 50, 16, 30, 6, 7}};
  const Row& r = kRows[w.size];
  const int32_t t = g_types[(up ? kSlotSmokeUp : kSlotSmoke) + w.size];
  ParticleType_SetShape(t, kShapeExplosion);
  ParticleType_SetSize(t, r.sizeMin, r.sizeMax, -0.01f * w.f, 0);
  ParticleType_SetAlpha2(t, 0.4f, 0);
  ParticleType_SetLife(t, Life(r.life, w.f), Life(r.life, w.f));
  if (up) {
    ParticleType_SetDirection(t, 90, 90, 0, 0);
    ParticleType_SetSpeed(t, r.speedMin * w.f, r.speedMax * w.f, 0, 0);
  }
  const int32_t h = r.spread;
  for (int32_t i = 0; i < r.count; ++i) {
    const auto dy = static_cast<float>(Particle_RandomInt(2 * h));
    const auto dx = static_cast<float>(Particle_RandomInt(2 * h));
    ParticleSystem_CreateParticlesColour(w.system, w.x - static_cast<float>(h) + dx, w.y - static_cast<float>(h) + dy,
                                         t, w.colour, 1);
  }
}

void Glint(const Where& w, int32_t slot, int32_t shape) {
  struct Row {
    float size, inc, life;
  };
  static constexpr Row kRows[3] = {{0.4f, -0.02f, 20}, {0.75f, -0.03f, 25}, {1.2f, -0.04f, 30}};
  const Row& r = kRows[w.size];
  const int32_t t = g_types[slot + w.size];
  ParticleType_SetShape(t, shape);
  ParticleType_SetSize(t, r.size, r.size, r.inc * w.f, 0);
  Orientation360(t);
  ParticleType_SetLife(t, Life(r.life, w.f), Life(r.life, w.f));
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, t, w.colour, 1);
}

void Cloud(const Where& w) {
  static constexpr float kSizes[3] = {2, 4, 8};
  const int32_t t = g_types[kSlotCloud + w.size];
  ParticleType_SetShape(t, kShapeExplosion);
  ParticleType_SetSize(t, kSizes[w.size], kSizes[w.size], 0, 0);
  ParticleType_SetScale(t, 1, 0.5f);
  ParticleType_SetAlpha3(t, 0, 0.3f, 0);
  ParticleType_SetLife(t, Life(100, w.f), Life(100, w.f));
  ParticleSystem_CreateParticlesColour(w.system, w.x, w.y, t, w.colour, 1);
}

float RoomWidth() { return Room_Current != nullptr ? static_cast<float>(Room_Current->width) : 0.0f; }
float RoomHeight() { return Room_Current != nullptr ? static_cast<float>(Room_Current->height) : 0.0f; }

// Rain and snow fall across the whole room, wherever the effect was asked for.
void Rain(const Where& w) {
  static constexpr int32_t kDrops[3] = {2, 5, 9};
  const int32_t t = g_types[kSlotRain];
  ParticleType_SetShape(t, kShapeLine);
  ParticleType_SetSize(t, 0.2f, 0.3f, 0, 0);
  ParticleType_SetOrientation(t, 0, 0, 0, 0, true);
  ParticleType_SetSpeed(t, 7 * w.f, 7 * w.f, 0, 0);
  ParticleType_SetDirection(t, 260, 260, 0, 0);
  ParticleType_SetAlpha1(t, 0.4f);
  ParticleType_SetLife(t, Life(RoomHeight() * 0.2f, w.f), Life(RoomHeight() * 0.2f, w.f));
  for (int32_t i = 0; i < kDrops[w.size]; ++i) {
    const auto y = static_cast<float>(Particle_RandomReal(20) - 30);
    const auto x = static_cast<float>(Particle_RandomReal(1) * 1.2 * RoomWidth());
    ParticleSystem_CreateParticlesColour(w.system, x, y, t, w.colour, 1);
  }
}

void Snow(const Where& w) {
  static constexpr int32_t kFlakes[3] = {1, 3, 7};
  const int32_t t = g_types[kSlotSnow];
  ParticleType_SetShape(t, kShapeSnow);
  ParticleType_SetSize(t, 0.1f, 0.25f, 0, 0);
  ParticleType_SetAlpha1(t, 0.6f);
  Orientation360(t);
  ParticleType_SetSpeed(t, 2.5f * w.f, 3 * w.f, 0, 0);
  ParticleType_SetDirection(t, 240, 300, 0, 20);
  ParticleType_SetLife(t, Life(RoomHeight() * 0.5f, w.f), Life(RoomHeight() * 0.5f, w.f));
  for (int32_t i = 0; i < kFlakes[w.size]; ++i) {
    const auto y = static_cast<float>(Particle_RandomReal(20) - 30);
    const auto x = static_cast<float>(Particle_RandomReal(1) * 1.2 * RoomWidth() - 60);
    ParticleSystem_CreateParticlesColour(w.system, x, y, t, w.colour, 1);
  }
}

}  // namespace

float Effect_SpeedFactor() {
  const int32_t s = Room_Current != nullptr ? Room_Current->GetSpeed() : 0;
  const int32_t r = g_FrameTiming.fps;
  if (s > 30 && r > 30) {
    const float sf = static_cast<float>(s);
    const float rf = static_cast<float>(r);
    return sf / rf < 1.2f ? 30.0f / sf : 30.0f / rf;
  }
  return 1.0f;
}

void Effect_EnsureSystems() {
  if (!Owned(g_below, g_belowSerial)) {
    g_below = ParticleSystem_Create();
    g_belowSerial = ParticleSystem_Serial(g_below);
    ParticleSystem_SetDepth(g_below, kEffectBelowDepth);
  }
  if (!Owned(g_above, g_aboveSerial)) {
    g_above = ParticleSystem_Create();
    g_aboveSerial = ParticleSystem_Serial(g_above);
    ParticleSystem_SetDepth(g_above, kEffectAboveDepth);
  }
  if (!g_typesMade) {
    g_typesMade = true;
    for (int32_t& t : g_types) t = ParticleType_Create();
  }
}

void Effect_Create(bool below, int32_t kind, float x, float y, int32_t size, uint32_t colour) {
  Effect_EnsureSystems();
  const Where w{below ? g_below : g_above, x, y, SizeIndex(size), colour, Effect_SpeedFactor()};
  switch (kind) {
    case kEffectExplosion: Explosion(w); break;
    case kEffectRing: RingOrEllipse(w, false); break;
    case kEffectEllipse: RingOrEllipse(w, true); break;
    case kEffectFirework: Firework(w); break;
    case kEffectSmoke: Smoke(w, false); break;
    case kEffectSmokeUp: Smoke(w, true); break;
    case kEffectStar: Glint(w, kSlotStar, kShapeStar); break;
    case kEffectSpark: Glint(w, kSlotSpark, kShapeSpark); break;
    case kEffectFlare: Glint(w, kSlotFlare, kShapeFlare); break;
    case kEffectCloud: Cloud(w); break;
    case kEffectRain: Rain(w); break;
    case kEffectSnow: Snow(w); break;
    default: break;
  }
}

void Effect_Clear() {
  if (Owned(g_below, g_belowSerial)) ParticleSystem_ClearParticles(g_below);
  if (Owned(g_above, g_aboveSerial)) ParticleSystem_ClearParticles(g_above);
}

int32_t Effect_BelowSystem() { return Owned(g_below, g_belowSerial) ? g_below : -1; }
int32_t Effect_AboveSystem() { return Owned(g_above, g_aboveSerial) ? g_above : -1; }
int32_t Effect_Type(int32_t slot) { return g_typesMade && slot >= 0 && slot < kEffectTypeCount ? g_types[slot] : -1; }

void Effect_ForgetTypes() { g_typesMade = false; }

void Effect_Reset() {
  g_below = -1;
  g_above = -1;
  g_belowSerial = 0;
  g_aboveSerial = 0;
  g_typesMade = false;
}
