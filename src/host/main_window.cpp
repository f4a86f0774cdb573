#include "host/main_window.h"

// The window layer is not built yet: the main window is a token that only marks its lifetime,
// so that everything keyed on "the window exists" runs in order.
namespace {
int g_windowToken = 0;
void* g_window = nullptr;
}  // namespace

bool Window_Create(int32_t, int32_t) {
  g_window = &g_windowToken;
  return true;
}
void* Window_Handle() { return g_window; }
void Window_SetFocus() {}
void Window_Destroy() { g_window = nullptr; }
void Window_ResetViewPorts() {}
