// The particle engine: particle types (how particles look and move), particle systems (the live
// particles and the emitters, with a depth in the room) and emitters (regions that create
// particles in bursts or as a stream). Types and systems are small indices into two global
// tables, emitters indices inside their system. Every operation ignores an index that names
// nothing; the script functions and the effects call these. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

struct Texture;

inline constexpr int32_t kParticleShapeCount = 14;
inline constexpr float kParticleNoDepth = -1e9f;

// Colour modes of a type.
inline constexpr int32_t kParticleColourOne = 0;
inline constexpr int32_t kParticleColourTwo = 1;
inline constexpr int32_t kParticleColourThree = 2;
inline constexpr int32_t kParticleColourRGB = 3;
inline constexpr int32_t kParticleColourHSV = 4;
inline constexpr int32_t kParticleColourMix = 5;

// Emitter region shapes and distributions.
inline constexpr int32_t kEmitterRectangle = 0;
inline constexpr int32_t kEmitterEllipse = 1;
inline constexpr int32_t kEmitterDiamond = 2;
inline constexpr int32_t kEmitterLine = 3;
inline constexpr int32_t kDistributionLinear = 0;
inline constexpr int32_t kDistributionGaussian = 1;
inline constexpr int32_t kDistributionInverseGaussian = 2;

struct ParticleType {
  int32_t sprite = -1;
  bool animate = true;
  bool stretch = false;
  bool randomFrame = false;
  int32_t shape = 0;
  float sizeMin = 1, sizeMax = 1, sizeIncrement = 0, sizeWiggle = 0;
  float xScale = 1, yScale = 1;
  int32_t lifeMin = 100, lifeMax = 100;
  int32_t deathType = 0, deathNumber = 0;
  int32_t stepType = 0, stepNumber = 0;
  float speedMin = 0, speedMax = 0, speedIncrement = 0, speedWiggle = 0;
  float directionMin = 0, directionMax = 0, directionIncrement = 0, directionWiggle = 0;
  float gravityAmount = 0, gravityDirection = 270;
  float orientationMin = 0, orientationMax = 0, orientationIncrement = 0, orientationWiggle = 0;
  bool orientationRelative = false;
  int32_t colourMode = kParticleColourOne;
  uint32_t colour[6] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0, 0, 0};
  float alpha1 = 1, alpha2 = 1, alpha3 = 1;
  bool additive = false;
};

struct Particle {
  bool alive = false;
  int32_t type = 0;
  int32_t age = 0;
  int32_t life = 0;
  float x = 0, y = 0;
  float xPrevious = 0, yPrevious = 0;
  float speed = 0, direction = 0, orientation = 0;
  uint32_t colour = 0;
  float alpha = 0;
  float size = 0;
  int32_t frameOffset = 0;
  int32_t seed = 0;
};

struct ParticleEmitter {
  bool inUse = false;
  int32_t streamNumber = 0;
  float xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  int32_t distribution = kDistributionLinear;
  int32_t shape = kEmitterRectangle;
  int32_t streamType = 0;
};

// Live particles sit contiguously, oldest first, so a step touches each once and compaction is
// a single forward pass.
struct ParticleSystem {
  std::vector<Particle> particles;
  std::vector<ParticleEmitter> emitters;
  bool oldToNew = true;
  float depth = 0;
  float x = 0, y = 0;
  bool automaticUpdate = true;
  bool automaticDraw = true;
  // Unique per created system, so that a holder of an index can tell a reused slot from its own.
  uint64_t serial = 0;
};

// The random source particles draw from (the runner's one generator; the host installs it).
// Random_Real(x) gives [0, x), Random_Int(n) 0..|n|-1. Without one installed both give 0.
struct ParticleRandomSource {
  double (*real)(double x) = nullptr;
  uint32_t (*integer)(int32_t n) = nullptr;
};
void Particle_SetRandomSource(const ParticleRandomSource& source);
double Particle_RandomReal(double x);
uint32_t Particle_RandomInt(int32_t n);

// A float in [a, b] by the distribution; a without drawing when b <= a.
float Particle_RandomInRange(float a, float b, int32_t distribution);

// Types.
int32_t ParticleType_Create();
void ParticleType_Destroy(int32_t type);
bool ParticleType_Exists(int32_t type);
void ParticleType_Clear(int32_t type);
// The record of an existing type; null otherwise.
ParticleType* ParticleType_Get(int32_t type);
void ParticleType_SetShape(int32_t type, int32_t shape);
void ParticleType_SetSprite(int32_t type, int32_t sprite, bool animate, bool stretch, bool random);
void ParticleType_SetSize(int32_t type, float min, float max, float increment, float wiggle);
void ParticleType_SetScale(int32_t type, float xScale, float yScale);
void ParticleType_SetLife(int32_t type, int32_t min, int32_t max);
void ParticleType_SetStep(int32_t type, int32_t number, int32_t stepType);
void ParticleType_SetDeath(int32_t type, int32_t number, int32_t deathType);
void ParticleType_SetSpeed(int32_t type, float min, float max, float increment, float wiggle);
void ParticleType_SetDirection(int32_t type, float min, float max, float increment, float wiggle);
void ParticleType_SetOrientation(int32_t type, float min, float max, float increment, float wiggle, bool relative);
void ParticleType_SetGravity(int32_t type, float amount, float direction);
void ParticleType_SetColour1(int32_t type, uint32_t colour);
void ParticleType_SetColour2(int32_t type, uint32_t start, uint32_t end);
void ParticleType_SetColour3(int32_t type, uint32_t start, uint32_t middle, uint32_t end);
void ParticleType_SetColourRGB(int32_t type, uint32_t redMin, uint32_t redMax, uint32_t greenMin, uint32_t greenMax,
                               uint32_t blueMin, uint32_t blueMax);
void ParticleType_SetColourHSV(int32_t type, uint32_t hueMin, uint32_t hueMax, uint32_t saturationMin,
                               uint32_t saturationMax, uint32_t valueMin, uint32_t valueMax);
void ParticleType_SetColourMix(int32_t type, uint32_t colour1, uint32_t colour2);
void ParticleType_SetAlpha1(int32_t type, float alpha);
void ParticleType_SetAlpha2(int32_t type, float start, float end);
void ParticleType_SetAlpha3(int32_t type, float start, float middle, float end);
void ParticleType_SetBlend(int32_t type, bool additive);
// Frees every type; the effects make theirs again afterwards.
void ParticleType_DestroyAll();

// Systems.
int32_t ParticleSystem_Create();
void ParticleSystem_Destroy(int32_t system);
bool ParticleSystem_Exists(int32_t system);
void ParticleSystem_Clear(int32_t system);
ParticleSystem* ParticleSystem_Get(int32_t system);
// The serial of an existing system, 0 otherwise.
uint64_t ParticleSystem_Serial(int32_t system);
void ParticleSystem_SetDrawOrder(int32_t system, bool oldToNew);
void ParticleSystem_SetDepth(int32_t system, float depth);
void ParticleSystem_SetPosition(int32_t system, float x, float y);
void ParticleSystem_SetAutomaticUpdate(int32_t system, bool on);
void ParticleSystem_SetAutomaticDraw(int32_t system, bool on);
void ParticleSystem_Update(int32_t system);
void ParticleSystem_Draw(int32_t system);
void ParticleSystem_CreateParticles(int32_t system, float x, float y, int32_t type, int32_t number);
void ParticleSystem_CreateParticlesColour(int32_t system, float x, float y, int32_t type, uint32_t colour,
                                          int32_t number);
void ParticleSystem_ClearParticles(int32_t system);
int32_t ParticleSystem_CountParticles(int32_t system);
void ParticleSystem_DestroyAll();
void ParticleSystem_UpdateAll();
// Depths of the automatically drawn systems, from the highest down; -1e9 when there is none.
float ParticleSystem_MaxDepth();
float ParticleSystem_NextDepthBelow(float depth);
void ParticleSystem_DrawAtDepth(float depth);

// Emitters.
int32_t ParticleEmitter_Create(int32_t system);
void ParticleEmitter_Destroy(int32_t system, int32_t emitter);
void ParticleEmitter_DestroyAll(int32_t system);
bool ParticleEmitter_Exists(int32_t system, int32_t emitter);
void ParticleEmitter_Clear(int32_t system, int32_t emitter);
void ParticleEmitter_SetRegion(int32_t system, int32_t emitter, float xMin, float xMax, float yMin, float yMax,
                               int32_t shape, int32_t distribution);
void ParticleEmitter_Burst(int32_t system, int32_t emitter, int32_t type, int32_t number);
void ParticleEmitter_Stream(int32_t system, int32_t emitter, int32_t type, int32_t number);

// The texture of a shape 0-13 (null when it could not be made or outside the range).
Texture* Particle_ShapeTexture(int32_t shape);
