// SDL events as a player makes them, pushed into SDL's queue for the main window to take.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace sdl_test {

inline void Key(Uint32 windowId, bool down, SDL_Scancode scancode, SDL_Keycode keycode, bool repeat = false) {
  SDL_Event e = {};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = windowId;
  e.key.repeat = repeat;
  e.key.keysym.scancode = scancode;
  e.key.keysym.sym = keycode;
  SDL_PushEvent(&e);
}

// A motion (button 0) or a button going down or up at (x, y).
inline void Mouse(Uint32 windowId, Uint32 type, int32_t x, int32_t y, uint8_t button = 0) {
  SDL_Event e = {};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.windowID = windowId;
    e.motion.x = x;
    e.motion.y = y;
  } else {
    e.button.windowID = windowId;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
  }
  SDL_PushEvent(&e);
}

}  // namespace sdl_test
