// The trace chain: compiled scripts and events, and byte-code calls of built-in functions, push a
// frame for the time of their run, so that an error report can say where it was called from.
#pragma once

#include <cstdint>

struct StackTraceFrame {
  StackTraceFrame* next;  // the frame of the caller; null for the outermost
  const char* name;       // function name
  int32_t line;           // source line; negative when unknown
};

// The newest frame, null while nothing is on the chain.
inline StackTraceFrame* g_pStackTrace = nullptr;

inline void StackTrace_Push(StackTraceFrame* frame) {
  frame->next = g_pStackTrace;
  g_pStackTrace = frame;
}

// Makes the frame's caller the newest frame again (also when an exception unwinds past frames
// pushed after it).
inline void StackTrace_Pop(StackTraceFrame* frame) { g_pStackTrace = frame->next; }

// Pushes a frame for the lifetime of a scope.
class StackTraceScope {
 public:
  StackTraceScope(const char* name, int32_t line) : m_frame{nullptr, name, line} { StackTrace_Push(&m_frame); }
  ~StackTraceScope() { StackTrace_Pop(&m_frame); }
  StackTraceScope(const StackTraceScope&) = delete;
  StackTraceScope& operator=(const StackTraceScope&) = delete;

 private:
  StackTraceFrame m_frame;
};
