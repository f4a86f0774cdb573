// The runner's one pseudo-random generator: a WELL512a state of sixteen 32-bit words, seeded
// through a 15-bit linear congruential chain. Script functions, translated code, the shufflers,
// particles and actions all draw from this one state, on the main thread only.
//
// The state is seeded with 0 before any game code runs, so a game that never reseeds sees the same
// sequence on every run; game restarts do not reseed it.
#pragma once

#include <cstdint>

struct RandomState {
  uint32_t words[16];
  uint32_t index;  // 0..15, the current word
  uint32_t seed;   // the last seed given to Random_Seed
  uint32_t mask;   // mixing mask of the draw
};

inline constexpr uint32_t kRandomMask = 0xDA442D24u;
inline constexpr uint32_t kRandomMaskOldVersion = 0xDA442D20u;

// Re-initialises the words and the index from seed and returns it; the mask is kept.
int32_t Random_Seed(int32_t seed);
// The last seed, as random_get_seed reads it.
uint32_t Random_GetSeed();
// Old-version mode only changes the mask (in a bit the draw never uses); no reseed.
void Random_SetOldVersion(bool old);
const RandomState& Random_State();

// The next 32-bit draw.
uint32_t Random_Next();
// One draw scaled into [0, x) (x >= 0; a negative x gives (x, 0]).
double Random_Real(double x);
// One draw modulo |n| (|INT32_MIN| is 2^31); a bound of 0 still draws and answers 0.
uint32_t Random_Int(int32_t n);
// Two draws (low word, then high word without its top bit) make a 63-bit r; the answer is r mod n
// for n > 0 and -(r mod |n|) for n < 0, 0 for n = 0.
int64_t F_IRandomCore(int64_t n);

// Entries for translated code: x * Random_Real(1), and an integer in [0, n] or [n, 0].
double F_Random(double x);
int64_t F_IRandom(int32_t n);
