// Turns SDL events into window messages for one target window, and keeps the key state that
// GetKeyState and GetAsyncKeyState answer from.
//
// Key state comes in two views, as on the desktop window system: the asynchronous one follows
// the events as they are translated; the synchronous one follows the messages as the program
// takes them from the queue, so a window procedure asking "is right Shift down?" gets the
// answer as of the message it is handling.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window/messages.h"

union SDL_Event;

class EventTranslator {
 public:
  // The window the messages are for; events of other windows are dropped. Null: every
  // window-bound event is dropped. The size is the window's client size at creation.
  void SetTarget(SDL_Window* window, uint32_t windowId, int32_t width, int32_t height);
  SDL_Window* Target() const { return m_window; }

  // Appends the messages that one event becomes (none, one or several).
  void Translate(const SDL_Event& event, std::vector<WindowMessage>& out);

  // Follows a message the program takes from the queue (the synchronous key state).
  void OnMessageRetrieved(const WindowMessage& message);
  // A key press made up by the program itself (on behalf of a script): updates the
  // asynchronous state as a real key would. The caller posts the messages.
  void OnSyntheticKey(int32_t vk, bool down);

  // Bit 0x8000 (as a 16-bit value: negative) while down; bit 1 toggled by each press of the
  // lock keys.
  int16_t GetKeyState(int32_t vk) const;
  int16_t GetAsyncKeyState(int32_t vk) const;

  void Reset();

 private:
  void TranslateKey(const SDL_Event& event, std::vector<WindowMessage>& out);
  void TranslateText(const SDL_Event& event, std::vector<WindowMessage>& out);
  void TranslateWindowEvent(const SDL_Event& event, std::vector<WindowMessage>& out);
  void EmitSize(uint64_t kind, int32_t width, int32_t height, std::vector<WindowMessage>& out);
  void Post(std::vector<WindowMessage>& out, uint32_t message, uint64_t wParam, int64_t lParam) const;
  uint64_t MouseKeyFlags() const;

  static void ApplyKey(uint8_t* table, int32_t vk, int32_t scanCode, bool extended, bool down,
                       bool firstPress);

  SDL_Window* m_window = nullptr;
  uint32_t m_windowId = 0;
  uint8_t m_async[256] = {};
  uint8_t m_sync[256] = {};
  int32_t m_mouseX = 0;
  int32_t m_mouseY = 0;
  bool m_maximized = false;
  bool m_minimized = false;
  bool m_sizeSent = false;
  int32_t m_width = 0;
  int32_t m_height = 0;
  uint64_t m_sentKind = SIZE_RESTORED;
  int32_t m_sentWidth = -1;
  int32_t m_sentHeight = -1;
};

// The translator of the window layer: the one the message queue and the real window system use.
EventTranslator& WindowLayer_Translator();
