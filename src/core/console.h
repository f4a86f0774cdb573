// Console objects: every log line of the runner goes through one of these.
//
// The debug console carries the runner's own diagnostics and appends to the -debugoutput file;
// the output console carries what the game prints and the error lines, and appends to the
// -output file. TErrStreamConsole collects text in memory for an error report.
#pragma once

#include <cstddef>
#include <cstdint>

struct tagIConsole {
  virtual ~tagIConsole() = default;
  // Kept for the interface's shape; nothing calls it.
  virtual bool Query(int32_t, int32_t) { return true; }
  virtual void Output(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;
};

class TConsole final : public tagIConsole {
 public:
  constexpr explicit TConsole(bool debugLog) : m_debugLog(debugLog) {}
  void Output(const char* format, ...) override __attribute__((format(printf, 2, 3)));

 private:
  bool m_debugLog;  // set: the -debugoutput file; clear: the -output file
};

class TErrStreamConsole final : public tagIConsole {
 public:
  static constexpr size_t kInitialCapacity = 102400;
  TErrStreamConsole();
  ~TErrStreamConsole() override;
  TErrStreamConsole(const TErrStreamConsole&) = delete;
  TErrStreamConsole& operator=(const TErrStreamConsole&) = delete;

  void Output(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  const char* Text() const { return m_text; }
  size_t Capacity() const { return m_capacity; }

 private:
  size_t m_capacity;
  size_t m_length = 0;
  char* m_text;
};

// The two consoles that live for the whole program.
extern tagIConsole* g_pDebugConsole;
extern tagIConsole* g_pOutputConsole;

#define Console_DebugOutput(...) g_pDebugConsole->Output(__VA_ARGS__)
#define Console_Output(...) g_pOutputConsole->Output(__VA_ARGS__)
