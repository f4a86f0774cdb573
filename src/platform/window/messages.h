// The thread's window-message queue: what the host's message pump drains.
#pragma once

#include <cstdint>

inline constexpr uint32_t WM_QUIT = 0x12;

struct WindowMessage {
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

// Appends a message to the queue.
void Window_PostMessage(const WindowMessage& message);
// Takes the oldest pending message out of the queue; false when none is pending.
bool Window_PeekMessage(WindowMessage* message);
// Hands a message to the window procedure, when one is installed.
void Window_DispatchMessage(const WindowMessage& message);

using WindowProcedure = void (*)(const WindowMessage& message);
void Window_SetProcedure(WindowProcedure procedure);
