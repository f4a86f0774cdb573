#include "platform/window/clipboard.h"

#include <SDL.h>

#include "platform/window/window_system.h"

bool Clipboard_SetText(const char* utf8) {
  if (!WindowLayer_EnsureVideo()) return false;
  return SDL_SetClipboardText(utf8 != nullptr ? utf8 : "") == 0;
}

std::string Clipboard_GetText() {
  if (!WindowLayer_EnsureVideo()) return std::string();
  char* text = SDL_GetClipboardText();
  if (text == nullptr) return std::string();
  std::string result(text);
  SDL_free(text);
  return result;
}

bool Clipboard_HasText() {
  if (!WindowLayer_EnsureVideo()) return false;
  return SDL_HasClipboardText() == SDL_TRUE;
}
