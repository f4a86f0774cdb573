#include "host/error_report.h"

#include <cstdio>
#include <cstdlib>

#include "core/console.h"
#include "core/value.h"
#include "core/vm_error.h"

SharedString* error_last = nullptr;
bool error_occurred = false;

namespace {

void EndProcessForReal(int exitCode) {
  std::fflush(stdout);
  std::exit(exitCode);
}

ErrorEndProcessFn g_endProcess = &EndProcessForReal;

}  // namespace

void Error_Report(bool fatal, const char* message) {
  Error_Show(message != nullptr ? message : "", fatal);
}

void Error_Show(const char* text, bool /*fatal*/) {
  SharedString* previous = error_last;
  error_last = SharedString_Create(text);
  SharedString_Unref(previous);
  if (!g_VMWatchEvaluation) Console_Output("ERROR!!! :: %s\n", text);
  error_occurred = true;
}

ErrorEndProcessFn Error_SetEndProcess(ErrorEndProcessFn fn) {
  ErrorEndProcessFn previous = g_endProcess;
  g_endProcess = fn != nullptr ? fn : &EndProcessForReal;
  return previous;
}

void Error_EndProcess(int exitCode) { g_endProcess(exitCode); }
