// The event being run: kept by the event dispatcher, read by the error reporter.
#pragma once

#include <cstdint>

inline constexpr int32_t kEventTypeShader = -1;        // a shader is being compiled or set
inline constexpr int32_t kEventTypeTimeline = 100000;  // a timeline moment

struct EventContext {
  int32_t type = 0;         // kEventTypeShader, kEventTypeTimeline or an event type
  int32_t number = 0;       // the event number; a timeline's time step
  int32_t objectIndex = -1; // the object; a timeline's index
  int32_t actionIndex = 0;  // 0-based
};
// Kept by the event dispatcher while an event runs.
extern EventContext Event_Current;
