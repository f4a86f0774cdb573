#include "functions/random.h"

namespace {

// STAND-IN: only the draw that the containers need; the generator's script functions, seeding
// and modes come with the random-number group.
struct RandomState {
  uint32_t words[16];
  uint32_t index;
  uint32_t mask;
};

RandomState MakeSeeded(uint32_t seed) {
  RandomState state{};
  uint32_t x = seed;
  for (uint32_t& word : state.words) {
    x = ((x * 214013u + 2531011u) >> 16) & 0x7FFFu;
    word = x;
  }
  state.index = 0;
  state.mask = 0xDA442D24u;
  return state;
}

RandomState g_state = MakeSeeded(0);

uint32_t Random_Next() {
  RandomState& s = g_state;
  uint32_t i = s.index;
  uint32_t a = s.words[i];
  uint32_t c = s.words[(i + 13) & 15];
  const uint32_t b = a ^ c ^ (a << 16) ^ (c << 15);
  c = s.words[(i + 9) & 15];
  c ^= c >> 11;
  a = s.words[i] = b ^ c;
  const uint32_t d = a ^ ((a << 5) & s.mask);
  i = (i + 15) & 15;
  s.index = i;
  a = s.words[i];
  s.words[i] = a ^ b ^ d ^ (a << 2) ^ (b << 18) ^ (c << 28);
  return s.words[i];
}

}  // namespace

uint32_t Random_Int(int32_t n) {
  if (n == 0) return 0;
  const uint32_t bound = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
  return Random_Next() % bound;
}
