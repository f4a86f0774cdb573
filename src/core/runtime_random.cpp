#include "core/runtime_random.h"

namespace {
uint32_t g_state = 1;
}

void Runtime_SRand(uint32_t seed) { g_state = seed; }

int32_t Runtime_Rand() {
  g_state = g_state * 1103515245u + 12345u;
  return static_cast<int32_t>((g_state >> 16) & 0x7FFFu);
}
