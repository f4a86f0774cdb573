#include "vm/breakpoints.h"

#include <cstring>

#include "runtime/debug_services.h"

namespace {
struct Breakpoint {
  uint8_t* at = nullptr;
  uint32_t saved = 0;
};
Breakpoint g_breakpoints[kVMBreakpointSlots];
bool g_armed = true;
void (*g_pauseHook)() = nullptr;

void Write(uint8_t* at, uint32_t word) { std::memcpy(at, &word, 4); }
}  // namespace

bool Breakpoint_Add(uint8_t* at) {
  for (Breakpoint& b : g_breakpoints) {
    if (b.at == at) return true;
  }
  for (Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr) continue;
    b.at = at;
    std::memcpy(&b.saved, at, 4);
    if (g_armed) Write(at, kVMBreakpointWord);
    return true;
  }
  return false;
}

void Breakpoint_ClearAll() {
  for (Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr && g_armed) Write(b.at, b.saved);
    b = {};
  }
  g_armed = true;
}

bool Breakpoint_Find(const uint8_t* at, uint32_t* saved) {
  for (const Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr && b.at == at) {
      if (saved != nullptr) *saved = b.saved;
      return true;
    }
  }
  return false;
}

void Breakpoint_DisarmAll() {
  if (!g_armed) return;
  for (Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr) Write(b.at, b.saved);
  }
  g_armed = false;
}

void Breakpoint_ArmAll() {
  if (g_armed) return;
  for (Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr) Write(b.at, kVMBreakpointWord);
  }
  g_armed = true;
}

bool Breakpoint_AnyArmed() {
  if (!g_armed) return false;
  for (const Breakpoint& b : g_breakpoints) {
    if (b.at != nullptr) return true;
  }
  return false;
}

void Breakpoint_Pause() {
  if (Debug_IsConnected()) Debug_WaitWhilePaused();
  if (g_pauseHook != nullptr) g_pauseHook();
}
void Breakpoint_SetPauseHook(void (*hook)()) { g_pauseHook = hook; }
