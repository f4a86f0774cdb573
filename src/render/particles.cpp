#include "render/particles.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture.h"
#include "core/colour.h"
#include "core/console.h"
#include "runtime/connectivity.h"
#include "runtime/debug_services.h"
#include "runtime/error_report.h"
#include "render/effects.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "render/render_setters.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kOneSixth = 0.16666667f;
constexpr int32_t kShapeSlots = kParticleShapeCount + 1;  // the shapes, then a plain white square
constexpr int32_t kRecordGrowth = 100;

ParticleRandomSource g_random;
std::vector<std::unique_ptr<ParticleType>> g_types;
std::vector<std::unique_ptr<ParticleSystem>> g_systems;
Texture* g_shapeTextures[kShapeSlots] = {};
uint64_t g_systemSerial = 0;
// The white square's "RAW " block: the texture keeps pointing at it to make itself again.
std::vector<uint8_t> g_whiteBlock;

double RandomReal(double x) { return g_random.real != nullptr ? g_random.real(x) : 0.0; }
uint32_t RandomInt(int32_t n) { return g_random.integer != nullptr ? g_random.integer(n) : 0u; }
float RandomUnit() { return static_cast<float>(RandomReal(1.0)); }

// One in n (n > 0): the truncated Random_Real(1) x n is 0.
bool OneIn(int32_t n) { return static_cast<int64_t>(RandomReal(1.0) * static_cast<double>(n)) == 0; }

// Truncation that stays defined for any float: NaN gives 0, values beyond the range its ends.
int64_t TruncateToInt64(float v) {
  if (!(v == v)) return 0;
  if (v >= 9.2233720e18f) return INT64_MAX;
  if (v <= -9.2233720e18f) return INT64_MIN;
  return static_cast<int64_t>(v);
}
int32_t TruncateToInt32(float v) {
  const int64_t t = TruncateToInt64(v);
  if (t > INT32_MAX) return INT32_MAX;
  if (t < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(t);
}

// Runs from -1 to 1 and back over u in [0, 4).
float Tri(float u) { return (u > 2.0f ? 4.0f - u : u) - 1.0f; }
// The wiggle phase: ((age + k x seed) mod period) / quarter, in 64 bits so no age overflows.
float Phase(int32_t age, int32_t k, int32_t seed, int32_t period, float quarter) {
  int64_t m = (int64_t{age} + int64_t{k} * seed) % period;
  if (m < 0) m += period;
  return static_cast<float>(m) / quarter;
}

ParticleSystem* SystemAt(int32_t system) {
  if (system < 0 || system >= static_cast<int32_t>(g_systems.size())) return nullptr;
  return g_systems[static_cast<size_t>(system)].get();
}

ParticleEmitter* EmitterAt(ParticleSystem* s, int32_t emitter) {
  if (s == nullptr || emitter < 0 || emitter >= static_cast<int32_t>(s->emitters.size())) return nullptr;
  ParticleEmitter* e = &s->emitters[static_cast<size_t>(emitter)];
  return e->inUse ? e : nullptr;
}

void UpdateColour(const ParticleType& t, Particle* p) {
  if (p->age > 0 && p->life > 0) {
    const float age = static_cast<float>(p->age);
    const float life = static_cast<float>(p->life);
    if (t.colourMode == kParticleColourTwo) {
      p->colour = Colour_Merge(t.colour[0], t.colour[1], std::fmin(age / life, 1.0f));
    } else if (t.colourMode == kParticleColourThree) {
      const float u = 2.0f * age / life;
      if (u > 2.0f) {
        p->colour = Colour_Merge(t.colour[1], t.colour[2], 1.0f);
      } else if (u >= 1.0f) {
        p->colour = Colour_Merge(t.colour[1], t.colour[2], u - 1.0f);
      } else {
        p->colour = Colour_Merge(t.colour[0], t.colour[1], u);
      }
    }
    return;
  }
  const auto channel = [&](int32_t at) {
    return TruncateToInt64(Particle_RandomInRange(static_cast<float>(t.colour[at]), static_cast<float>(t.colour[at + 1]),
                                                  kDistributionLinear)) & 255;
  };
  switch (t.colourMode) {
    case kParticleColourRGB: {
      const int64_t r = channel(0);
      const int64_t g = channel(2);
      const int64_t b = channel(4);
      p->colour = static_cast<uint32_t>(r | g << 8 | b << 16);
      break;
    }
    case kParticleColourHSV: {
      ColourHSV hsv;
      hsv.hue = static_cast<uint8_t>(channel(0));
      hsv.saturation = static_cast<uint8_t>(channel(2));
      hsv.value = static_cast<uint8_t>(channel(4));
      p->colour = Colour_FromHSV(hsv);
      break;
    }
    case kParticleColourMix: p->colour = Colour_Merge(t.colour[0], t.colour[1], RandomUnit()); break;
    default: p->colour = t.colour[0]; break;
  }
}

void InitRecord(Particle* p, const ParticleType& t, int32_t type, float x, float y) {
  *p = Particle{};
  p->alive = true;
  p->type = type;
  p->x = x;
  p->y = y;
  p->xPrevious = x;
  p->yPrevious = y;
  p->speed = Particle_RandomInRange(t.speedMin, t.speedMax, kDistributionLinear);
  p->direction = Particle_RandomInRange(t.directionMin, t.directionMax, kDistributionLinear);
  p->orientation = Particle_RandomInRange(t.orientationMin, t.orientationMax, kDistributionLinear);
  p->life = TruncateToInt32(
      Particle_RandomInRange(static_cast<float>(t.lifeMin), static_cast<float>(t.lifeMax), kDistributionLinear));
  p->age = 0;
  UpdateColour(t, p);
  p->alpha = t.alpha1;
  p->size = Particle_RandomInRange(t.sizeMin, t.sizeMax, kDistributionLinear);
  p->frameOffset = t.randomFrame ? static_cast<int32_t>(RandomInt(10000)) : 0;
  p->seed = static_cast<int32_t>(RandomInt(100000));
}

// Appends `number` particles; false (after the console line) when the system or type is missing.
bool CreateParticles(int32_t system, float x, float y, int32_t type, int32_t number, const uint32_t* colour) {
  ParticleSystem* s = SystemAt(system);
  if (s == nullptr) {
    Console_DebugOutput("part_particles_create :: particle system does not exist!\n");
    return false;
  }
  const ParticleType* t = ParticleType_Get(type);
  if (t == nullptr) {
    Console_DebugOutput("part_particles_create :: particle type does not exist!\n");
    return false;
  }
  for (int32_t i = 0; i < number; ++i) {
    if (s->particles.size() == s->particles.capacity()) s->particles.reserve(s->particles.size() + kRecordGrowth);
    s->particles.emplace_back();
    InitRecord(&s->particles.back(), *t, type, x, y);
    if (colour != nullptr) s->particles.back().colour = *colour;
  }
  return true;
}

// Spawning from a particle: n > 0 makes n, n < 0 one with chance 1 in -n.
void Spawn(int32_t system, float x, float y, int32_t type, int32_t n) {
  if (n > 0) {
    ParticleSystem_CreateParticles(system, x, y, type, n);
  } else if (n < 0 && OneIn(n == INT32_MIN ? INT32_MAX : -n)) {
    ParticleSystem_CreateParticles(system, x, y, type, 1);
  }
}

void AgeParticles(int32_t system, ParticleSystem* s) {
  // Particles spawned in this pass are appended and aged in it too, after the older ones.
  for (size_t i = 0; i < s->particles.size(); ++i) {
    Particle& p = s->particles[i];
    const ParticleType* t = ParticleType_Get(p.type);
    p.age = p.age < INT32_MAX ? p.age + 1 : INT32_MAX;
    const float x = p.x;
    const float y = p.y;
    const int32_t own = p.type;
    if (p.age >= p.life) {
      p.alive = false;
      if (t != nullptr) Spawn(system, x, y, t->deathType, t->deathNumber);
      continue;
    }
    if (t == nullptr || t->stepNumber == 0) continue;
    if (t->stepType == own) {
      Error_Report(false, "Error: a particle cannot spawn another of the same type");
      continue;
    }
    Spawn(system, x, y, t->stepType, t->stepNumber);
  }
  size_t kept = 0;
  for (size_t i = 0; i < s->particles.size(); ++i) {
    if (!s->particles[i].alive) continue;
    if (kept != i) s->particles[kept] = s->particles[i];
    ++kept;
  }
  s->particles.resize(kept);
}

void MoveParticles(ParticleSystem* s) {
  for (Particle& p : s->particles) {
    const ParticleType* t = ParticleType_Get(p.type);
    if (t == nullptr) continue;
    p.xPrevious = p.x;
    p.yPrevious = p.y;
    p.speed += t->speedIncrement;
    if (p.speed < 0) p.speed = 0;
    p.direction += t->directionIncrement;
    p.orientation += t->orientationIncrement;
    if (t->gravityAmount != 0) {
      const float gd = t->gravityDirection * kPi / 180.0f;
      const float d = p.direction * kPi / 180.0f;
      const float vx = t->gravityAmount * std::cos(gd) + p.speed * std::cos(d);
      const float vy = -t->gravityAmount * std::sin(gd) - p.speed * std::sin(d);
      if (vx != 0) {
        const float c = std::atan2(vy, vx) * 180.0f / kPi;
        p.direction = c <= 0 ? -c : 360.0f - c;
      } else if (vy > 0) {
        p.direction = 270.0f;
      } else if (vy < 0) {
        p.direction = 90.0f;
      }
      p.direction -= std::floor(p.direction / 360.0f) * 360.0f;
      p.speed = std::sqrt(vx * vx + vy * vy);
    }
    const float direction = p.direction + t->directionWiggle * Tri(Phase(p.age, 3, p.seed, 24, 6.0f));
    const float speed = p.speed + t->speedWiggle * Tri(Phase(p.age, 4, p.seed, 20, 5.0f));
    const float a = direction * kPi / 180.0f;
    p.x += std::cos(a) * speed;
    p.y -= std::sin(a) * speed;
  }
}

void UpdateAppearance(ParticleSystem* s) {
  for (Particle& p : s->particles) {
    const ParticleType* t = ParticleType_Get(p.type);
    if (t == nullptr) continue;
    p.size += t->sizeIncrement;
    if (p.size < 0) p.size = 0;
    UpdateColour(*t, &p);
    if (p.life >= 1) {
      const float u = 2.0f * static_cast<float>(p.age) / static_cast<float>(p.life);
      p.alpha = u < 1.0f ? (1.0f - u) * t->alpha1 + u * t->alpha2 : (2.0f - u) * t->alpha2 + (u - 1.0f) * t->alpha3;
    } else {
      p.alpha = t->alpha2;
    }
  }
}

struct ShapeVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(ShapeVertex) == 24);

// Six vertices of a shape particle: TL, TR, BR, BR, BL, TL around the truncated centre.
void DrawShape(Texture* texture, float cx, float cy, float w, float h, float o, uint32_t colour) {
  auto* v = static_cast<ShapeVertex*>(GR_AllocVerts(D3DPT_TRIANGLELIST, texture, 24, 6));
  if (v == nullptr) return;
  const float z = GR_GetDepth();
  float corners[4][2] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
  if (std::fabs(o) < 0.01f) {
    for (auto& c : corners) {
      c[0] += cx;
      c[1] += cy;
    }
  } else {
    const float a = o * 0.017453292f;
    const float cs = std::cos(a);
    const float sn = std::sin(a);
    for (auto& c : corners) {
      const float dx = c[0];
      const float dy = c[1];
      c[0] = cx + dx * cs + dy * sn;
      c[1] = cy - dx * sn + dy * cs;
    }
  }
  static constexpr int kOrder[6] = {0, 1, 2, 2, 3, 0};
  static constexpr float kUV[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 6; ++i) {
    const int k = kOrder[i];
    v[i] = ShapeVertex{corners[k][0], corners[k][1], z, colour, kUV[k][0], kUV[k][1]};
  }
}

// Draws one particle; false when the drawing of its system must end here.
bool DrawParticle(const ParticleSystem& s, const Particle& p, bool* additive) {
  if (p.life <= 0) return false;
  const ParticleType* t = ParticleType_Get(p.type);
  if (t == nullptr) return true;
  CSprite* sprite = Sprite_Exists(t->sprite) ? Sprite_Data(t->sprite) : nullptr;
  int32_t frame = 0;
  Texture* texture = nullptr;
  if (sprite != nullptr) {
    const int32_t frames = sprite->frameCount;
    if (frames < 1) return false;
    int64_t f = p.frameOffset;
    if (t->animate) f += t->stretch ? int64_t{p.age} * frames / p.life : int64_t{p.age};
    frame = static_cast<int32_t>(((f % frames) + frames) % frames);
  } else {
    if (t->shape < 0 || t->shape >= kParticleShapeCount) return false;
    texture = g_shapeTextures[t->shape];
    // A shape without its texture would draw as a plain square: its particles are left out.
    if (texture == nullptr) return true;
  }
  float o = p.orientation;
  if (t->orientationRelative) o += p.direction;
  o += t->orientationWiggle * Tri(Phase(p.age, 2, p.seed, 16, 4.0f));
  const float size = p.size + t->sizeWiggle * Tri(Phase(p.age, 1, p.seed, 16, 4.0f));
  if (t->additive && !*additive) {
    GR_SetBlendMode(kBlendAdd);
    *additive = true;
  } else if (!t->additive && *additive) {
    GR_SetBlendMode(kBlendNormal);
    *additive = false;
  }
  const float x = p.x + s.x;
  const float y = p.y + s.y;
  if (sprite != nullptr) {
    sprite->SpriteDraw(frame, x, y, t->xScale * size, t->yScale * size, o, p.colour, p.alpha);
    return true;
  }
  DrawShape(texture, std::trunc(x), std::trunc(y), 32.0f * t->xScale * size, 32.0f * t->yScale * size, o,
            Colour_ToVertex(p.colour, Colour_AlphaToByte(p.alpha)));
  return true;
}

void DrawSystem(const ParticleSystem& s) {
  bool additive = false;
  bool drew = false;
  const size_t n = s.particles.size();
  for (size_t k = 0; k < n; ++k) {
    const Particle& p = s.particles[s.oldToNew ? k : n - 1 - k];
    if (!DrawParticle(s, p, &additive)) break;
    drew = true;
  }
  if (drew) GR_SetBlendMode(kBlendNormal);
}

}  // namespace

void Particle_SetRandomSource(const ParticleRandomSource& source) { g_random = source; }
double Particle_RandomReal(double x) { return RandomReal(x); }
uint32_t Particle_RandomInt(int32_t n) { return RandomInt(n); }

float Particle_RandomInRange(float a, float b, int32_t distribution) {
  const float range = b - a;
  if (!(range > 0)) return a;
  if (distribution != kDistributionGaussian && distribution != kDistributionInverseGaussian) {
    return a + RandomUnit() * range;
  }
  float x = 0;
  for (;;) {
    x = (RandomUnit() - 0.5f) * 6.0f;
    const float e = std::exp(-0.5f * x * x);
    if (RandomUnit() < e) break;
    // Without a generator every draw is 0 and 0 < e always ends the loop at once.
  }
  if (distribution == kDistributionGaussian) return (x + 3.0f) * kOneSixth * range + a;
  if (x < 0) x += 6.0f;
  return x * kOneSixth * range + a;
}

// --- types ------------------------------------------------------------------------------------

ParticleType* ParticleType_Get(int32_t type) {
  if (type < 0 || type >= static_cast<int32_t>(g_types.size())) return nullptr;
  return g_types[static_cast<size_t>(type)].get();
}

int32_t ParticleType_Create() {
  size_t slot = 0;
  while (slot < g_types.size() && g_types[slot] != nullptr) ++slot;
  if (slot == g_types.size()) g_types.emplace_back();
  g_types[slot] = std::make_unique<ParticleType>();
  return static_cast<int32_t>(slot);
}

void ParticleType_Destroy(int32_t type) {
  if (ParticleType_Get(type) != nullptr) g_types[static_cast<size_t>(type)].reset();
}

bool ParticleType_Exists(int32_t type) { return ParticleType_Get(type) != nullptr; }

void ParticleType_Clear(int32_t type) {
  ParticleType* t = ParticleType_Get(type);
  if (t == nullptr) return;
  // Colour words 4-6 keep their values; the additive flag goes back with the rest, so that a
  // cleared type draws as a new one does.
  const ParticleType fresh;
  const uint32_t kept[3] = {t->colour[3], t->colour[4], t->colour[5]};
  *t = fresh;
  t->colour[3] = kept[0];
  t->colour[4] = kept[1];
  t->colour[5] = kept[2];
}

#define WITH_TYPE(type)               \
  ParticleType* t = ParticleType_Get(type); \
  if (t == nullptr) return

void ParticleType_SetShape(int32_t type, int32_t shape) {
  WITH_TYPE(type);
  t->shape = shape;
  t->sprite = -1;
}
void ParticleType_SetSprite(int32_t type, int32_t sprite, bool animate, bool stretch, bool random) {
  WITH_TYPE(type);
  t->sprite = sprite;
  t->animate = animate;
  t->stretch = stretch;
  t->randomFrame = random;
}
void ParticleType_SetSize(int32_t type, float min, float max, float increment, float wiggle) {
  WITH_TYPE(type);
  t->sizeMin = min;
  t->sizeMax = max;
  t->sizeIncrement = increment;
  t->sizeWiggle = wiggle;
}
void ParticleType_SetScale(int32_t type, float xScale, float yScale) {
  WITH_TYPE(type);
  t->xScale = xScale;
  t->yScale = yScale;
}
void ParticleType_SetLife(int32_t type, int32_t min, int32_t max) {
  WITH_TYPE(type);
  t->lifeMin = min;
  t->lifeMax = max;
}
void ParticleType_SetStep(int32_t type, int32_t number, int32_t stepType) {
  WITH_TYPE(type);
  t->stepNumber = number;
  t->stepType = stepType;
}
void ParticleType_SetDeath(int32_t type, int32_t number, int32_t deathType) {
  WITH_TYPE(type);
  t->deathNumber = number;
  t->deathType = deathType;
}
void ParticleType_SetSpeed(int32_t type, float min, float max, float increment, float wiggle) {
  WITH_TYPE(type);
  t->speedMin = min;
  t->speedMax = max;
  t->speedIncrement = increment;
  t->speedWiggle = wiggle;
}
void ParticleType_SetDirection(int32_t type, float min, float max, float increment, float wiggle) {
  WITH_TYPE(type);
  t->directionMin = min;
  t->directionMax = max;
  t->directionIncrement = increment;
  t->directionWiggle = wiggle;
}
void ParticleType_SetOrientation(int32_t type, float min, float max, float increment, float wiggle, bool relative) {
  WITH_TYPE(type);
  t->orientationMin = min;
  t->orientationMax = max;
  t->orientationIncrement = increment;
  t->orientationWiggle = wiggle;
  t->orientationRelative = relative;
}
void ParticleType_SetGravity(int32_t type, float amount, float direction) {
  WITH_TYPE(type);
  t->gravityAmount = amount;
  t->gravityDirection = direction;
}
void ParticleType_SetColour1(int32_t type, uint32_t colour) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourOne;
  t->colour[0] = colour;
}
void ParticleType_SetColour2(int32_t type, uint32_t start, uint32_t end) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourTwo;
  t->colour[0] = start;
  t->colour[1] = end;
}
void ParticleType_SetColour3(int32_t type, uint32_t start, uint32_t middle, uint32_t end) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourThree;
  t->colour[0] = start;
  t->colour[1] = middle;
  t->colour[2] = end;
}
void ParticleType_SetColourRGB(int32_t type, uint32_t redMin, uint32_t redMax, uint32_t greenMin, uint32_t greenMax,
                               uint32_t blueMin, uint32_t blueMax) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourRGB;
  const uint32_t words[6] = {redMin, redMax, greenMin, greenMax, blueMin, blueMax};
  std::memcpy(t->colour, words, sizeof words);
}
void ParticleType_SetColourHSV(int32_t type, uint32_t hueMin, uint32_t hueMax, uint32_t saturationMin,
                               uint32_t saturationMax, uint32_t valueMin, uint32_t valueMax) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourHSV;
  const uint32_t words[6] = {hueMin, hueMax, saturationMin, saturationMax, valueMin, valueMax};
  std::memcpy(t->colour, words, sizeof words);
}
void ParticleType_SetColourMix(int32_t type, uint32_t colour1, uint32_t colour2) {
  WITH_TYPE(type);
  t->colourMode = kParticleColourMix;
  t->colour[0] = colour1;
  t->colour[1] = colour2;
}
void ParticleType_SetAlpha1(int32_t type, float alpha) { ParticleType_SetAlpha3(type, alpha, alpha, alpha); }
void ParticleType_SetAlpha2(int32_t type, float start, float end) {
  ParticleType_SetAlpha3(type, start, (start + end) / 2.0f, end);
}
void ParticleType_SetAlpha3(int32_t type, float start, float middle, float end) {
  WITH_TYPE(type);
  t->alpha1 = start;
  t->alpha2 = middle;
  t->alpha3 = end;
}
void ParticleType_SetBlend(int32_t type, bool additive) {
  WITH_TYPE(type);
  t->additive = additive;
}

#undef WITH_TYPE

void ParticleType_DestroyAll() {
  g_types.clear();
  Effect_ForgetTypes();
}

// --- systems ----------------------------------------------------------------------------------

ParticleSystem* ParticleSystem_Get(int32_t system) { return SystemAt(system); }

int32_t ParticleSystem_Create() {
  size_t slot = 0;
  while (slot < g_systems.size() && g_systems[slot] != nullptr) ++slot;
  if (slot == g_systems.size()) g_systems.emplace_back();
  g_systems[slot] = std::make_unique<ParticleSystem>();
  g_systems[slot]->serial = ++g_systemSerial;
  return static_cast<int32_t>(slot);
}

void ParticleSystem_Destroy(int32_t system) {
  if (SystemAt(system) != nullptr) g_systems[static_cast<size_t>(system)].reset();
}

bool ParticleSystem_Exists(int32_t system) { return SystemAt(system) != nullptr; }

void ParticleSystem_Clear(int32_t system) {
  ParticleSystem* s = SystemAt(system);
  if (s == nullptr) return;
  const uint64_t serial = s->serial;
  *s = ParticleSystem{};
  s->serial = serial;
}

uint64_t ParticleSystem_Serial(int32_t system) {
  const ParticleSystem* s = SystemAt(system);
  return s != nullptr ? s->serial : 0;
}

void ParticleSystem_SetDrawOrder(int32_t system, bool oldToNew) {
  if (ParticleSystem* s = SystemAt(system)) s->oldToNew = oldToNew;
}
void ParticleSystem_SetDepth(int32_t system, float depth) {
  if (ParticleSystem* s = SystemAt(system)) s->depth = depth;
}
void ParticleSystem_SetPosition(int32_t system, float x, float y) {
  if (ParticleSystem* s = SystemAt(system)) {
    s->x = x;
    s->y = y;
  }
}
void ParticleSystem_SetAutomaticUpdate(int32_t system, bool on) {
  if (ParticleSystem* s = SystemAt(system)) s->automaticUpdate = on;
}
void ParticleSystem_SetAutomaticDraw(int32_t system, bool on) {
  if (ParticleSystem* s = SystemAt(system)) s->automaticDraw = on;
}

void ParticleSystem_Update(int32_t system) {
  ParticleSystem* s = SystemAt(system);
  if (s == nullptr) return;
  AgeParticles(system, s);
  MoveParticles(s);
  UpdateAppearance(s);
  // Spawning never removes a system, but a script could not run here either: the pointer stays.
  for (size_t e = 0; e < s->emitters.size(); ++e) {
    const ParticleEmitter& emitter = s->emitters[e];
    if (emitter.inUse && emitter.streamNumber != 0) {
      ParticleEmitter_Burst(system, static_cast<int32_t>(e), emitter.streamType, emitter.streamNumber);
    }
  }
}

void ParticleSystem_Draw(int32_t system) {
  if (const ParticleSystem* s = SystemAt(system)) DrawSystem(*s);
}

void ParticleSystem_CreateParticles(int32_t system, float x, float y, int32_t type, int32_t number) {
  CreateParticles(system, x, y, type, number, nullptr);
}

void ParticleSystem_CreateParticlesColour(int32_t system, float x, float y, int32_t type, uint32_t colour,
                                          int32_t number) {
  CreateParticles(system, x, y, type, number, &colour);
}

void ParticleSystem_ClearParticles(int32_t system) {
  if (ParticleSystem* s = SystemAt(system)) std::vector<Particle>().swap(s->particles);
}

int32_t ParticleSystem_CountParticles(int32_t system) {
  const ParticleSystem* s = SystemAt(system);
  return s != nullptr ? static_cast<int32_t>(s->particles.size()) : 0;
}

void ParticleSystem_DestroyAll() { g_systems.clear(); }

void ParticleSystem_UpdateAll() {
  ProfilerScope scope(kProfilerMarkerParticles);
  for (size_t i = 0; i < g_systems.size(); ++i) {
    const ParticleSystem* s = g_systems[i].get();
    if (s != nullptr && s->automaticUpdate) ParticleSystem_Update(static_cast<int32_t>(i));
  }
}

float ParticleSystem_MaxDepth() {
  float best = kParticleNoDepth;
  for (const auto& s : g_systems) {
    if (s != nullptr && s->automaticDraw && s->depth > best) best = s->depth;
  }
  return best;
}

float ParticleSystem_NextDepthBelow(float depth) {
  float best = kParticleNoDepth;
  for (const auto& s : g_systems) {
    if (s != nullptr && s->automaticDraw && s->depth < depth && s->depth > best) best = s->depth;
  }
  return best;
}

void ParticleSystem_DrawAtDepth(float depth) {
  for (const auto& s : g_systems) {
    if (s != nullptr && s->automaticDraw && std::fabs(s->depth - depth) < 0.01f) DrawSystem(*s);
  }
}

// --- emitters ---------------------------------------------------------------------------------

int32_t ParticleEmitter_Create(int32_t system) {
  ParticleSystem* s = SystemAt(system);
  if (s == nullptr) return -1;
  size_t slot = 0;
  while (slot < s->emitters.size() && s->emitters[slot].inUse) ++slot;
  if (slot == s->emitters.size()) s->emitters.emplace_back();
  s->emitters[slot] = ParticleEmitter{};
  s->emitters[slot].inUse = true;
  return static_cast<int32_t>(slot);
}

void ParticleEmitter_Destroy(int32_t system, int32_t emitter) {
  if (ParticleEmitter* e = EmitterAt(SystemAt(system), emitter)) e->inUse = false;
}

void ParticleEmitter_DestroyAll(int32_t system) {
  if (ParticleSystem* s = SystemAt(system)) std::vector<ParticleEmitter>().swap(s->emitters);
}

bool ParticleEmitter_Exists(int32_t system, int32_t emitter) {
  return EmitterAt(SystemAt(system), emitter) != nullptr;
}

void ParticleEmitter_Clear(int32_t system, int32_t emitter) {
  if (ParticleEmitter* e = EmitterAt(SystemAt(system), emitter)) {
    *e = ParticleEmitter{};
    e->inUse = true;
  }
}

void ParticleEmitter_SetRegion(int32_t system, int32_t emitter, float xMin, float xMax, float yMin, float yMax,
                               int32_t shape, int32_t distribution) {
  if (ParticleEmitter* e = EmitterAt(SystemAt(system), emitter)) {
    e->xMin = xMin;
    e->xMax = xMax;
    e->yMin = yMin;
    e->yMax = yMax;
    e->shape = shape;
    e->distribution = distribution;
  }
}

void ParticleEmitter_Burst(int32_t system, int32_t emitter, int32_t type, int32_t number) {
  ParticleSystem* s = SystemAt(system);
  const ParticleEmitter* found = EmitterAt(s, emitter);
  if (found == nullptr) return;
  const ParticleEmitter e = *found;
  if (number < 0) {
    if (RandomInt(number == INT32_MIN ? INT32_MAX : -number) != 0) return;
    number = 1;
  }
  if (number <= 0) return;
  // A missing type makes nothing: one console line, not one per particle.
  if (!ParticleType_Exists(type)) {
    ParticleSystem_CreateParticles(system, 0, 0, type, 1);
    return;
  }
  const size_t want = s->particles.size() + static_cast<size_t>(number);
  if (want > s->particles.capacity()) s->particles.reserve(want);
  const bool redrawOne = e.distribution == kDistributionInverseGaussian && e.shape != kEmitterLine;
  for (int32_t made = 0; made < number;) {
    float u = Particle_RandomInRange(0, 1, e.distribution);
    float v = Particle_RandomInRange(0, 1, e.distribution);
    if (redrawOne) {
      if (RandomUnit() < 0.5f) {
        u = RandomUnit();
      } else {
        v = RandomUnit();
      }
    }
    if (e.shape == kEmitterEllipse && (u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f) > 0.25f) continue;
    if (e.shape == kEmitterDiamond && std::fabs(u - 0.5f) + std::fabs(v - 0.5f) > 0.5f) continue;
    if (e.shape == kEmitterLine) v = u;
    ParticleSystem_CreateParticles(system, e.xMin + u * (e.xMax - e.xMin), e.yMin + v * (e.yMax - e.yMin), type, 1);
    ++made;
  }
}

void ParticleEmitter_Stream(int32_t system, int32_t emitter, int32_t type, int32_t number) {
  ParticleSystem* s = SystemAt(system);
  if (s == nullptr) {
    Console_DebugOutput("part_emitter_stream :: particle system does not exist!\n");
    return;
  }
  if (ParticleEmitter* e = EmitterAt(s, emitter)) {
    e->streamType = type;
    e->streamNumber = number;
  }
}

// --- shape textures and the life cycle --------------------------------------------------------

Texture* Particle_ShapeTexture(int32_t shape) {
  return shape >= 0 && shape < kParticleShapeCount ? g_shapeTextures[shape] : nullptr;
}

namespace {

void FreeShapeTextures() {
  for (Texture*& t : g_shapeTextures) {
    if (t != nullptr) Texture_Free(t);
    t = nullptr;
  }
}

}  // namespace

void Particle_CreateShapeTextures() {
  FreeShapeTextures();
  for (int32_t shape = 0; shape < kParticleShapeCount; ++shape) {
    g_shapeTextures[shape] = GR_CreateEmbeddedTexture(kEmbeddedFirstParticleShape + shape);
  }
  constexpr uint32_t kSide = 64;
  g_whiteBlock.assign(kRawHeaderSize + kSide * kSide * 4, 0xFF);
  const uint32_t header[4] = {kRawMagic, kSide, kSide, 0};
  std::memcpy(g_whiteBlock.data(), header, sizeof header);
  D3DXIMAGE_INFO info{};
  g_shapeTextures[kParticleShapeCount] =
      Texture_CreateFromData(g_whiteBlock.data(), g_whiteBlock.size(), &info, kTextureKindDefault, 0);
}

void Particle_Reset() {
  ParticleType_DestroyAll();
  ParticleSystem_DestroyAll();
}

void Particle_Shutdown() {
  ParticleType_DestroyAll();
  ParticleSystem_DestroyAll();
  FreeShapeTextures();
}
