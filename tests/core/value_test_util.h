// Helpers shared by the value tests.
#pragma once

#include <cstring>
#include <string>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "core/value.h"
#include "core/value_text.h"
#include "core/vm_error.h"
#include "host/hooks.h"
#include "runtime/error_report.h"
#include "host/entry.h"
#include "host/frame_loop.h"
#include "platform/window/messages.h"

// A value released when the test leaves its scope.
struct Val {
  RValue v = RValue_MakeUndefined();
  Val() = default;
  explicit Val(double d) : v(RValue_MakeReal(d)) {}
  explicit Val(const char* s) { RValue_SetString(&v, s); }
  Val(const Val&) = delete;
  Val& operator=(const Val&) = delete;
  ~Val() { RValue_Release(&v); }
};

inline std::string TextOf(const RValue* v) {
  char* base = nullptr;
  char* cursor = nullptr;
  size_t capacity = 0;
  TextBuffer_Append(&cursor, &base, &capacity, "");
  RValue_AppendText(&cursor, &base, &capacity, v);
  std::string s(base);
  MemoryManager_Free(base);
  return s;
}

inline int32_t Idx(int32_t row, int32_t column) { return ArrayIndex_Pack(row, column); }

// Fills a 1-row array value from reals.
inline void FillRow(RValue* v, std::initializer_list<double> reals) {
  int32_t c = 0;
  for (double d : reals) {
    RValue e = RValue_MakeReal(d);
    RValue_SetElement(v, &e, Idx(0, c++));
  }
}

// Captures runtime errors: the process is not ended, the chosen exit code is recorded, and the
// state a fatal error leaves (the reporter switched off, the quit request, the room-change code)
// is cleared again so that the next error is reported too.
class RuntimeErrorCapture {
 public:
  static constexpr int kNoExit = 12345;

  RuntimeErrorCapture() {
    Runner_InstallHooks();
    s_exitCode = kNoExit;
    s_exits = 0;
    m_previous = Error_SetEndProcess(&Record);
    m_wasHeadless = g_IsHeadless;
    g_IsHeadless = true;  // keep the error lines off the test's standard output
    Reset();
  }
  ~RuntimeErrorCapture() {
    Error_SetEndProcess(m_previous);
    g_IsHeadless = m_wasHeadless;
    Reset();
  }
  RuntimeErrorCapture(const RuntimeErrorCapture&) = delete;
  RuntimeErrorCapture& operator=(const RuntimeErrorCapture&) = delete;

  // The whole report of the last error.
  static std::string LastReport() {
    return error_last != nullptr && error_last->text != nullptr ? error_last->text : "";
  }
  // The message of the last error, taken out of its report: it follows the header's blank lines
  // and ends before the rule that closes the report's head.
  static std::string LastError() {
    const std::string report = LastReport();
    const size_t start = report.find(":\n\n\n");
    const size_t end = report.rfind("\n" + std::string(92, '#') + "\n");
    if (start == std::string::npos || end == std::string::npos || end < start + 4) return report;
    return report.substr(start + 4, end - (start + 4));
  }
  static bool Reported() { return error_occurred; }
  // The message of the last error since the previous call ("" when none), starting afresh.
  static std::string Take() {
    const std::string e = Reported() ? LastError() : "";
    Reset();
    return e;
  }
  static int ExitCode() { return s_exitCode; }
  static int Exits() { return s_exits; }
  static void Reset() {
    error_occurred = false;
    error_last = SharedString_Unref(error_last);
    s_exitCode = kNoExit;
    s_exits = 0;
    Error_ClearSuppression();
    g_RoomChangeCode = kRoomChangeNone;
    WindowMessage message;
    while (Window_PeekMessage(&message)) {
    }
  }

 private:
  static void Record(int code) {
    s_exitCode = code;
    ++s_exits;
  }
  static inline int s_exitCode = kNoExit;
  static inline int s_exits = 0;
  ErrorEndProcessFn m_previous;
  bool m_wasHeadless;
};
