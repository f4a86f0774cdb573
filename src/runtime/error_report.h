// The one reporter through which every runtime error of the runner passes. A report names where
// the error happened (the object and event, the timeline moment or the shader), the message, the
// byte-code position when byte code runs, and the chain of trace frames; it is logged, shown in
// the "Code Error" dialog (or handed to a connected debugger), and a fatal error or an Abort ends
// the game at the end of the frame.
//
// Error texts are never used as format strings.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/error_position.h"
#include "runtime/event_context.h"

struct SharedString;
struct StackTraceFrame;

// Builds the report for a message (null counts as empty) and shows it.
void Error_Report(bool fatal, const char* message);
// Logs and shows a finished report; acts on fatal errors and Abort.
void Error_Show(const char* text, bool fatal);
// Shows the report in the dialog (Ignore offered when allowed); true when the user chose Abort.
bool Error_FormatDialogText(const char* text, bool allowIgnore);

// The last error text and whether any error was shown.
extern SharedString* error_last;
extern bool error_occurred;

// Set by a fatal error or an Abort: every later error is ignored until a relaunch clears it.
bool Error_Suppressed();
void Error_ClearSuppression();

// Where an error happened, as the report names it.
struct ErrorReportContext {
  EventContext event;
  const char* eventName = nullptr;   // ordinary events
  const char* ownerName = nullptr;   // the object, or the timeline of a timeline moment
  const char* shaderName = nullptr;  // event type kEventTypeShader
  bool fragmentShader = false;
  bool byteCode = false;             // byte code runs; `position` tells where
  VMErrorPosition position;
  const StackTraceFrame* trace = nullptr;  // newest first
};
// The context of the running game: the current event, the byte-code position, the trace chain
// (through the installed hooks: without them, only the trace chain).
ErrorReportContext Error_CurrentContext();
// The report's text.
std::string Error_BuildReport(bool fatal, const char* message, const ErrorReportContext& context);
// The report as the dialog shows it: a rule, then the lines with CR LF breaks (a break of two
// characters, or two breaks in a row, count as one) and tabs as seven blanks.
std::string Error_FormatDialogBody(const char* text);

// The last step of an error that ends the process. The default ends it with the exit code;
// a replacement (tests) may return, and the caller then goes on as after a returning report.
using ErrorEndProcessFn = void (*)(int exitCode);
// Installs fn (null: the default) and returns the step that was installed before.
ErrorEndProcessFn Error_SetEndProcess(ErrorEndProcessFn fn);
void Error_EndProcess(int exitCode);

// What the reporter needs of the layers above it, installed by the host at start-up. A null
// member leaves the reporter without that step.
struct ErrorReportHooks {
  // The running game's event, shader or timeline names and the byte-code position.
  void (*describeContext)(ErrorReportContext* context) = nullptr;
  // Leaves full screen before anything is shown.
  void (*leaveFullScreen)() = nullptr;
  // Hands the dialog text to a connected debugger and waits while it pauses; false when none
  // is connected.
  bool (*toDebugger)(const char* dialogText) = nullptr;
  // Shows the "Code Error" dialog; true when the user chose Abort.
  bool (*showDialog)(const std::string& dialogText, bool allowIgnore) = nullptr;
};
// Installs the hooks and returns those installed before.
ErrorReportHooks Error_SetHooks(const ErrorReportHooks& hooks);
