#include "functions/random.h"

#include <cmath>
#include <cstdint>

#include "core/argument_getters.h"
#include "functions/math_handlers.h"
#include "runtime/frame_timing.h"

namespace {

constexpr void SeedWords(RandomState* s, uint32_t seed) {
  s->seed = seed;
  uint32_t x = seed;
  // Each word comes from the previous word's 15 bits, never from a hidden 32-bit state.
  for (uint32_t& word : s->words) {
    x = ((x * 214013u + 2531011u) >> 16) & 0x7FFFu;
    word = x;
  }
  s->index = 0;
}

constexpr RandomState SeededWithZero() {
  RandomState s{};
  s.mask = kRandomMask;
  SeedWords(&s, 0);
  return s;
}

// Seeded with 0 at compile time, so the state is ready before any code runs; later seeds come
// only from the script functions.
constinit RandomState g_state = SeededWithZero();

// A 63-bit draw: the low word first, then the high word without its top bit.
uint64_t Draw63() {
  const uint64_t lo = Random_Next();
  const uint64_t hi = Random_Next() & 0x7FFFFFFFu;
  return (hi << 32) | lo;
}

// A draw in [0, bound) for a bound of 1 .. 2^64 - 1; a bound of 0 stands for 2^64, which every
// 63-bit draw lies below.
uint64_t DrawBelow(uint64_t bound) {
  const uint64_t r = Draw63();
  return bound == 0 ? r : r % bound;
}

}  // namespace

int32_t Random_Seed(int32_t seed) {
  SeedWords(&g_state, static_cast<uint32_t>(seed));
  return seed;
}

uint32_t Random_GetSeed() { return g_state.seed; }

void Random_SetOldVersion(bool old) { g_state.mask = old ? kRandomMaskOldVersion : kRandomMask; }

const RandomState& Random_State() { return g_state; }

uint32_t Random_Next() {
  uint32_t* w = g_state.words;
  uint32_t i = g_state.index;
  uint32_t a = w[i];
  uint32_t c = w[(i + 13) & 15];
  const uint32_t b = a ^ c ^ (a << 16) ^ (c << 15);
  c = w[(i + 9) & 15];
  c ^= c >> 11;
  a = b ^ c;
  w[i] = a;
  const uint32_t d = a ^ ((a << 5) & g_state.mask);
  i = (i + 15) & 15;
  g_state.index = i;
  a = w[i];
  w[i] = a ^ b ^ d ^ (a << 2) ^ (b << 18) ^ (c << 28);
  return w[i];
}

double Random_Real(double x) {
  // k * 2^-32 is exact, so only the scaling by x rounds.
  const double unit = static_cast<double>(Random_Next()) * 0x1p-32;
  return x == 1.0 ? unit : x * unit;
}

uint32_t Random_Int(int32_t n) {
  const uint32_t k = Random_Next();
  const uint32_t bound = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
  return bound == 0 ? 0u : k % bound;
}

int64_t F_IRandomCore(int64_t n) {
  const uint64_t r = Draw63();
  if (n == 0) return 0;
  if (n > 0) return static_cast<int64_t>(r % static_cast<uint64_t>(n));
  // r < 2^63, so the remainder and its negation stay inside int64 even for |INT64_MIN|.
  return -static_cast<int64_t>(r % (0u - static_cast<uint64_t>(n)));
}

double F_Random(double x) { return x * Random_Real(1.0); }

int64_t F_IRandom(int32_t n) {
  return n >= 0 ? F_IRandomCore(static_cast<int64_t>(n) + 1) : F_IRandomCore(static_cast<int64_t>(n) - 1);
}

namespace math_builtins {

void Random(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, WXGR(args, 0) * Random_Real(1.0));
}

void RandomRange(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double a = WXGR(args, 0);
  const double b = WXGR(args, 1);
  const double lo = a < b ? a : b;
  const double hi = a < b ? b : a;
  Args_SetReal(result, lo + Random_Real(1.0) * (hi - lo));
}

// The bound |n| + 1 is formed without overflow, so both ends are included even for the int64
// limits: INT64_MAX gives 2^63 and INT64_MIN gives 2^63 + 1.
void IRandom(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const int64_t n = WXGI64(args, 0);
  if (n >= 0) {
    Args_SetReal(result, static_cast<double>(static_cast<int64_t>(DrawBelow(static_cast<uint64_t>(n) + 1))));
  } else {
    const uint64_t magnitude = 0u - static_cast<uint64_t>(n);
    Args_SetReal(result, -static_cast<double>(DrawBelow(magnitude + 1)));
  }
}

// The span max - min + 1 is formed modulo 2^64: the whole int64 range wraps to 0, which
// DrawBelow reads as 2^64.
void IRandomRange(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const int64_t a = WXGI64(args, 0);
  const int64_t b = WXGI64(args, 1);
  const int64_t lo = a < b ? a : b;
  const int64_t hi = a < b ? b : a;
  const uint64_t span = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo) + 1;
  const uint64_t offset = DrawBelow(span);
  Args_SetReal(result, static_cast<double>(static_cast<int64_t>(static_cast<uint64_t>(lo) + offset)));
}

void RandomUseOldVersion(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Random_SetOldVersion(WXGI32(args, 0) > 0);
  Args_SetReal(result, 0.0);
}

void RandomSetSeed(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Random_Seed(WXGI32(args, 0));
  Args_SetReal(result, 0.0);
}

void RandomGetSeed(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  Args_SetReal(result, static_cast<double>(Random_GetSeed()));
}

void Randomize(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  const uint64_t t = static_cast<uint64_t>(Timing_GetTime()) + static_cast<uint64_t>(Timing_ClockStart());
  const uint32_t low = static_cast<uint32_t>(t);
  const uint32_t high = static_cast<uint32_t>(t >> 32);
  const uint32_t seed = (high + low) ^ static_cast<uint32_t>((t >> 16) & 0xFFFFu) ^ (low << 16);
  Args_SetReal(result, static_cast<double>(Random_Seed(static_cast<int32_t>(seed))));
}

void Choose(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc <= 0) {
    Args_SetReal(result, 0.0);
    return;
  }
  // The pick passes through a float on its way, as it always has; for fewer than 2^24 arguments
  // that changes nothing, and the limit keeps it inside the arguments otherwise.
  int64_t k = static_cast<int64_t>(std::floor(static_cast<float>(Random_Int(argc))));
  if (k > argc - 1) k = argc - 1;
  RValue_Assign(result, &args[k]);
}

}  // namespace math_builtins
