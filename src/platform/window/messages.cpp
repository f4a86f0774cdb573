#include "platform/window/messages.h"

#include <SDL.h>

#include <deque>
#include <vector>

#include "platform/window/event_translator.h"

namespace {

std::deque<WindowMessage> g_queue;
WindowProcedure g_procedure = nullptr;

// Turns every pending system event into messages at the end of the queue.
void PumpSystemEvents() {
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
  std::vector<WindowMessage> translated;
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) {
    WindowLayer_Translator().Translate(event, translated);
  }
  for (const WindowMessage& message : translated) g_queue.push_back(message);
}

}  // namespace

void Window_PostMessage(const WindowMessage& message) { g_queue.push_back(message); }

bool Window_PeekMessage(WindowMessage* message) {
  if (g_queue.empty()) PumpSystemEvents();
  if (g_queue.empty()) return false;
  *message = g_queue.front();
  g_queue.pop_front();
  WindowLayer_Translator().OnMessageRetrieved(*message);
  return true;
}

int64_t Window_DispatchMessage(const WindowMessage& message) {
  if (g_procedure == nullptr) return 0;
  return g_procedure(message);
}

int64_t Window_SendMessage(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam) {
  WindowMessage m;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.window = window;
  return Window_DispatchMessage(m);
}

bool Window_HasPendingMessage(uint32_t message) {
  for (const WindowMessage& m : g_queue) {
    if (m.message == message) return true;
  }
  return false;
}

void Window_DropMessagesFor(SDL_Window* window) {
  if (window == nullptr) return;
  std::deque<WindowMessage> kept;
  for (const WindowMessage& message : g_queue) {
    if (message.window != window) kept.push_back(message);
  }
  g_queue.swap(kept);
}

void Window_ClearMessageQueue() {
  g_queue.clear();
  if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
}

void Window_SetProcedure(WindowProcedure procedure) { g_procedure = procedure; }
