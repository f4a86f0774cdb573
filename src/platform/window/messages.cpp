#include "platform/window/messages.h"

#include <deque>

namespace {
std::deque<WindowMessage> g_queue;
WindowProcedure g_procedure = nullptr;
}  // namespace

void Window_PostMessage(const WindowMessage& message) { g_queue.push_back(message); }

bool Window_PeekMessage(WindowMessage* message) {
  if (g_queue.empty()) return false;
  *message = g_queue.front();
  g_queue.pop_front();
  return true;
}

void Window_DispatchMessage(const WindowMessage& message) {
  if (g_procedure != nullptr) g_procedure(message);
}

void Window_SetProcedure(WindowProcedure procedure) { g_procedure = procedure; }
