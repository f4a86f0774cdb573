// What the frame loop, the game step and the error reporter use of connectivity and platform
// services: the profiler's frame hooks and scopes, the remote debugger's tick and error hand-over,
// the once-per-step polls, and the extensions' final functions.
#pragma once

#include <cstdint>

#include "runtime/connectivity.h"

// Callers test Profiler_Enabled (runtime/connectivity.h) first.
void Profiler_FrameStart();
void Profiler_FrameEnd();
void Profiler_BeginStep();
void Profiler_EndStep();
inline constexpr int32_t kProfilerEngineMarker = 6;
// Engine markers of the host.
inline constexpr int32_t kProfilerMarkerFrameWait = 1;
inline constexpr int32_t kProfilerMarkerMotion = 2;
inline constexpr int32_t kProfilerMarkerActiveLists = 3;
// Engine markers of the game world's phases.
inline constexpr int32_t kProfilerMarkerStep = 4;
inline constexpr int32_t kProfilerMarkerAlarm = 8;
inline constexpr int32_t kProfilerMarkerMouse = 9;
// Engine markers of rendering, clear of the ids above and of the collision, event and sprite ones.
inline constexpr int32_t kProfilerMarkerStartFrame = 11;
inline constexpr int32_t kProfilerMarkerEndFrame = 12;
inline constexpr int32_t kProfilerMarkerParticles = 17;  // "ParticleSystem_UpdateAll"
// Engine markers of the assets.
inline constexpr int32_t kProfilerMarkerPreciseCollision = 3;
inline constexpr int32_t kProfilerMarkerSpriteDraw = 15;
inline constexpr int32_t kProfilerMarkerSpriteDrawSimple = 16;
void Profiler_Enter(int32_t kind, int32_t id);
void Profiler_Leave();
// A profiler scope around a block, opened only while profiling is active.
class ProfilerScope {
 public:
  explicit ProfilerScope(int32_t marker) : m_active(Profiler_Enabled) {
    if (m_active) Profiler_Enter(kProfilerEngineMarker, marker);
  }
  ~ProfilerScope() {
    if (m_active) Profiler_Leave();
  }
  ProfilerScope(const ProfilerScope&) = delete;
  ProfilerScope& operator=(const ProfilerScope&) = delete;

 private:
  bool m_active;
};
// Microseconds the profiler itself used in the current frame.
int64_t Profiler_OwnTime();

// Once per frame: polls the debugger connection and holds the game while the debugger pauses it.
void Debug_Tick();
bool Debug_IsConnected();
// Serve a connected debugger from a thread of its own while a modal dialog holds the frame loop.
void Debug_StartServiceThread();
void Debug_StopServiceThread();
// Hands an error report to the connected debugger.
void Debug_SetErrorText(const char* text);
// Waits (messages pumped) until the debugger resumes the game (0) or asks for a step (1).
int Debug_WaitWhilePaused();

void Network_Tick();
void Steam_Tick();
void WexaFunctions_Tick();

// Runs every extension's final function; false when one cannot be located.
bool Extension_RunFinalFunctions();
// Before the first room: prepares the extension packages (false when one cannot be), and runs
// every extension's initialisation function (false when one cannot be located).
bool Extension_Prepare();
bool Extension_RunInitFunctions();
