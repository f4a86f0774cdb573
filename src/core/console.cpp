#include "core/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/memory_manager.h"
#include "core/run_switches.h"
#include "platform/system/files.h"

bool g_IsHeadless = false;
bool g_DebuggerCaptureOutput = false;
std::string g_OutputFileName;
std::string g_DebugOutputFileName;

namespace {
ConsoleCaptureFn g_capture = nullptr;
}  // namespace

void Console_SetCaptureHook(ConsoleCaptureFn capture) { g_capture = capture; }

void Console_SetHeadless(bool headless) { g_IsHeadless = headless; }
void Console_SetOutputFile(const char* path) { g_OutputFileName = path != nullptr ? path : ""; }
void Console_SetDebugOutputFile(const char* path) { g_DebugOutputFileName = path != nullptr ? path : ""; }

namespace {

constexpr size_t kLineBuffer = 4096;
constexpr size_t kScratchBuffer = 16384;
char g_errScratch[kScratchBuffer];

// Constant-initialised, so that code running in other files' static initialisers can log.
constinit TConsole g_debugConsole(true);
constinit TConsole g_outputConsole(false);

}  // namespace

tagIConsole* g_pDebugConsole = &g_debugConsole;
tagIConsole* g_pOutputConsole = &g_outputConsole;

void TConsole::Output(const char* format, ...) {
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  if (!g_IsHeadless) {
    va_list echo;
    va_copy(echo, args);
    std::vfprintf(stdout, format, echo);
    va_end(echo);
  }
  char line[kLineBuffer];
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);

  if (g_DebuggerCaptureOutput && g_capture != nullptr) g_capture(line);

  const std::string& file = m_debugLog ? g_DebugOutputFileName : g_OutputFileName;
  if (!file.empty()) {
    // Opened and closed per line so that the log survives a crash and other readers see it live.
    if (FILE* f = System_OpenStream(file.c_str(), "a+")) {
      std::fputs(line, f);
      std::fclose(f);
    }
  }
  std::fflush(stdout);
}

TErrStreamConsole::TErrStreamConsole()
    : m_capacity(kInitialCapacity),
      m_text(static_cast<char*>(MemoryManager_Alloc(kInitialCapacity, "VM_Exec", __LINE__, true))) {}

TErrStreamConsole::~TErrStreamConsole() { MemoryManager_Free(m_text); }

void TErrStreamConsole::Output(const char* format, ...) {
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(g_errScratch, sizeof g_errScratch, format, args);
  va_end(args);
  if (n < 0) return;
  size_t added = std::strlen(g_errScratch);
  if (m_length + added + 2 >= m_capacity) {
    m_capacity += added + 1024;
    m_text = static_cast<char*>(MemoryManager_Realloc(m_text, m_capacity, "VM_Exec", __LINE__));
  }
  std::memcpy(m_text + m_length, g_errScratch, added + 1);
  m_length += added;
}
