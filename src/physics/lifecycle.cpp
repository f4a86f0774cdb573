#include "physics/lifecycle.h"

#include <cstdio>

#include "runtime/error_report.h"

namespace {
bool g_assertHandlerInstalled = false;
// Nothing fills the context text; it is kept so that the report reads "message context".
char g_assertContext[1] = {'\0'};
}  // namespace

void Physics_InstallAssertHandler() {
  g_assertHandlerInstalled = true;
  g_assertContext[0] = '\0';
}
bool Physics_AssertHandlerInstalled() { return g_assertHandlerInstalled; }

void Physics_AssertHandler(bool condition, const wchar_t* message) {
  if (condition || !g_assertHandlerInstalled) return;
  char text[1024];
  std::snprintf(text, sizeof text, "%ls %s", message != nullptr ? message : L"", g_assertContext);
  Error_Report(false, text);
}
