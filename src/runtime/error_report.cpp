#include "runtime/error_report.h"
#include "runtime/game_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/console.h"
#include "core/run_switches.h"
#include "platform/system/terminal_text.h"
#include "core/stack_trace.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "runtime/runner_options.h"
#include "runtime/frame_timing.h"
#include "io/program.h"
#include "io/input.h"

SharedString* error_last = nullptr;
bool error_occurred = false;

namespace {

constexpr size_t kRuleLength = 92;
constexpr size_t kHeaderLimit = 32767;
// Log lines are formatted into 4096 bytes; a report is logged in pieces below that.
constexpr size_t kLogPiece = 4000;

bool g_suppressed = false;
ErrorReportHooks g_hooks;

void LeaveFullScreen() {
  if (g_hooks.leaveFullScreen != nullptr) g_hooks.leaveFullScreen();
}

void EndProcessForReal(int exitCode) {
  std::fflush(stdout);
  std::exit(exitCode);
}

ErrorEndProcessFn g_endProcess = &EndProcessForReal;

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// Cuts `text` to at most `limit` bytes without splitting a character.
void CutAtCharacter(std::string* text, size_t limit) {
  if (text->size() <= limit) return;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>((*text)[end]) & 0xC0u) == 0x80u) --end;
  text->resize(end);
}

// The number that ends `name` ("tll_Object_player_Step_0_3" gives 3); 0 without one. Saturates
// instead of overflowing.
int32_t TrailingNumber(const char* name) {
  size_t end = std::strlen(name);
  size_t start = end;
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
  int64_t value = 0;
  for (size_t i = start; i < end; ++i) {
    value = value * 10 + (name[i] - '0');
    if (value > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(value);
}

// Appends a piece of `text` to `out` while it stays below `limit` bytes, cut on a character.
void AppendBounded(std::string* out, std::string_view text, size_t limit) {
  if (out->size() + 1 >= limit) return;
  size_t room = limit - 1 - out->size();
  if (text.size() > room) {
    while (room > 0 && (static_cast<unsigned char>(text[room]) & 0xC0u) == 0x80u) --room;
    text = text.substr(0, room);
  }
  out->append(text);
}

// The whole report reaches the log, though a log line holds 4096 bytes.
void LogError(const char* text) {
  const std::string_view all(text);
  Console_Output("ERROR!!! :: ");
  for (size_t at = 0; at < all.size();) {
    size_t length = std::min(kLogPiece, all.size() - at);
    if (at + length < all.size()) {
      while (length > 1 && (static_cast<unsigned char>(all[at + length]) & 0xC0u) == 0x80u) --length;
    }
    const std::string piece(all.substr(at, length));
    Console_Output("%s", piece.c_str());
    at += length;
  }
  Console_Output("\n");
}

}  // namespace

ErrorReportContext Error_CurrentContext() {
  ErrorReportContext context;
  context.event = Event_Current;
  if (g_hooks.describeContext != nullptr) g_hooks.describeContext(&context);
  context.trace = g_pStackTrace;
  return context;
}

std::string Error_BuildReport(bool fatal, const char* message, const ErrorReportContext& context) {
  const char* prefix = fatal ? "FATAL " : "";
  message = OrEmpty(message);
  const VMErrorPosition& position = context.position;
  const bool withDebugInfo = context.byteCode && position.hasDebugInfo;

  int32_t action = context.event.actionIndex + 1;
  // Compiled object events are named after their object, event and action: the action number
  // is the one in the name.
  if (withDebugInfo && position.functionName != nullptr &&
      std::strncmp(position.functionName, "tll_Object_", 10) == 0) {
    action = TrailingNumber(position.functionName);
  }

  std::string trace(kRuleLength, '-');
  trace += '\n';
  for (const StackTraceFrame* frame = context.trace; frame != nullptr; frame = frame->next) {
    trace += "called from - ";
    trace += frame->name != nullptr ? frame->name : "<unknown>";
    if (frame->line >= 0) trace += " (line " + std::to_string(frame->line) + ")";
    trace += '\n';
  }

  std::string header;
  if (context.event.type == kEventTypeShader) {
    header = context.fragmentShader ? "FATAL ERROR in Fragment Shader compilation\n\nShaderName: "
                                    : "FATAL ERROR in Vertex Shader compilation\n\nShaderName: ";
    header += OrEmpty(context.shaderName);
    header += "\n\n\n";
    header += message;
    header += '\n';
  } else if (context.event.type == kEventTypeTimeline) {
    header = std::string(prefix) + "ERROR in\naction number " + std::to_string(action) + "\nat time step" +
             std::to_string(context.event.number) + "\nof time line " + OrEmpty(context.ownerName) + ":\n\n\n" +
             message;
  } else {
    header = std::string(prefix) + "ERROR in\naction number " + std::to_string(action) + "\nof " +
             OrEmpty(context.eventName) + "\nfor object " + OrEmpty(context.ownerName) + ":\n\n\n" + message;
  }
  CutAtCharacter(&header, kHeaderLimit);

  std::string report(kRuleLength, '#');
  report += '\n';
  report += header;
  report += '\n';
  if (withDebugInfo) {
    const char* where = position.functionName != nullptr ? position.functionName : OrEmpty(position.codeName);
    report += " at " + std::string(where) + " (line " + std::to_string(position.line) + ") - " +
              OrEmpty(position.sourceLine) + "\n";
  } else if (context.byteCode) {
    report += "at " + std::string(OrEmpty(position.codeName)) + "\n";
  }
  report.append(kRuleLength, '#');
  report += '\n';
  report += trace;
  return report;
}

std::string Error_FormatDialogBody(const char* text) {
  text = OrEmpty(text);
  const size_t length = std::strlen(text);
  const size_t work = 2 * length + 256;
  std::string out = "\r\n" + std::string(43, '_') + "\r\n";
  std::string line;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '\t') {
      AppendBounded(&line, "       ", work);
    } else if (c == '\r' || c == '\n') {
      AppendBounded(&out, line, work);
      AppendBounded(&out, "\r\n", work);
      line.clear();
      if (i + 1 < length && (text[i + 1] == '\r' || text[i + 1] == '\n')) ++i;
    } else {
      AppendBounded(&line, std::string_view(&text[i], 1), work);
    }
  }
  AppendBounded(&out, line, work);
  return out;
}

bool Error_FormatDialogText(const char* text, bool allowIgnore) {
  LeaveFullScreen();
  const std::string body = Error_FormatDialogBody(text);
  if (g_hooks.toDebugger != nullptr && g_hooks.toDebugger(body.c_str())) return false;
  return g_hooks.showDialog != nullptr && g_hooks.showDialog(body, allowIgnore);
}

void Error_Report(bool fatal, const char* message) {
  if (g_suppressed) return;
  const std::string report = Error_BuildReport(fatal, message, Error_CurrentContext());
  Error_Show(report.c_str(), fatal);
}

void Error_Show(const char* text, bool fatal) {
  if (g_suppressed) return;
  text = OrEmpty(text);
  if (g_GameOptions.everyErrorFatal) fatal = true;
  if (!g_IsHeadless) {
    LeaveFullScreen();
    if (g_RunnerOptions.showErrors) {
      if (fatal) {
        Error_FormatDialogText(text, false);
      } else if (Error_FormatDialogText(text, true)) {
        fatal = true;
      }
    }
  }
  IO_Clear();
  SharedString* previous = error_last;
  error_last = SharedString_Create(text);
  SharedString_Unref(previous);
  if (!g_VMWatchEvaluation) LogError(text);
  error_occurred = true;
  // Without a dialog the terminal is where a fatal error's reason belongs: the -output file is
  // easily not asked for, and a run that just exits 1 says nothing.
  if (fatal && g_IsHeadless) {
    Terminal_Write(stderr, std::string("ERROR!!! :: ") + text + "\n");
  }
  if (fatal) {
    g_suppressed = true;
    g_RoomChangeCode = kRoomChangeQuit;
    Win32_PostQuit();
  }
}

bool Error_Suppressed() { return g_suppressed; }
void Error_ClearSuppression() { g_suppressed = false; }

ErrorEndProcessFn Error_SetEndProcess(ErrorEndProcessFn fn) {
  ErrorEndProcessFn previous = g_endProcess;
  g_endProcess = fn != nullptr ? fn : &EndProcessForReal;
  return previous;
}

void Error_EndProcess(int exitCode) { g_endProcess(exitCode); }

ErrorReportHooks Error_SetHooks(const ErrorReportHooks& hooks) {
  const ErrorReportHooks previous = g_hooks;
  g_hooks = hooks;
  return previous;
}
