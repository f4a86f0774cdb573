#include "core/vm_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <cstdlib>

bool g_VMWatchEvaluation = false;
bool g_VMRunFailed = false;

namespace {

constexpr size_t kMessageBytes = 1024;
VMErrorEndFn g_end = nullptr;
VMWatchStopFn g_stop = nullptr;

void FormatMessage(char (&message)[kMessageBytes], const char* format, va_list args) {
  const int n = std::vsnprintf(message, kMessageBytes, format, args);
  if (n < 0) {
    message[0] = '\0';
    return;
  }
  if (static_cast<size_t>(n) >= kMessageBytes) {
    // Cut short: drop a UTF-8 character whose last bytes fell beyond the buffer.
    const size_t end = kMessageBytes - 1;
    size_t start = end;
    while (start > 0 && (static_cast<unsigned char>(message[start - 1]) & 0xC0u) == 0x80u) --start;
    if (start > 0) {
      const unsigned char lead = static_cast<unsigned char>(message[start - 1]);
      const size_t want = lead >= 0xF0u ? 4 : lead >= 0xE0u ? 3 : lead >= 0xC0u ? 2 : 1;
      if (want > 1 && end - (start - 1) < want) message[start - 1] = '\0';
    }
  }
}

void ReportAndEnd(const char* message, int exitCode) {
  if (g_end != nullptr) {
    g_end(message, exitCode);
    return;
  }
  std::fprintf(stderr, "%s\n", message);
  std::exit(exitCode);
}

}  // namespace

void VM_SetErrorHooks(VMErrorEndFn end, VMWatchStopFn stop) {
  g_end = end;
  g_stop = stop;
}

void VM_Error(VMContext* context, const char* format, ...) {
  if (g_VMWatchEvaluation) {
    // Stop the watch code after the current instruction, without unwinding its frames.
    if (context != nullptr && g_stop != nullptr) g_stop(context);
    g_VMRunFailed = true;
    return;
  }
  char message[kMessageBytes];
  va_list args;
  va_start(args, format);
  FormatMessage(message, format, args);
  va_end(args);
  ReportAndEnd(message, -1);
}

void VM_RuntimeError(const char* format, ...) {
  if (g_VMWatchEvaluation) {
    g_VMRunFailed = true;
    return;
  }
  char message[kMessageBytes];
  va_list args;
  va_start(args, format);
  FormatMessage(message, format, args);
  va_end(args);
  ReportAndEnd(message, 1);
}
