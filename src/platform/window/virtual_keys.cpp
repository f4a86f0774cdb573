#include "platform/window/virtual_keys.h"

#include <SDL.h>

namespace {

struct ScancodeEntry {
  SDL_Scancode scancode;
  int32_t vk;
  int32_t scanCode;
  bool extended;
};

// Keys by position. Letters, digits and punctuation appear here for layouts whose key codes name
// no known key; the layout's own key code wins otherwise.
constexpr ScancodeEntry kByPosition[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true},
    {SDL_SCANCODE_END, VK_END, 0x4F, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
    {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, 0x4F, false},
    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, 0x51, false},
    {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, 0x4C, false},
    {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, 0x4D, false},
    {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, 0x47, false},
    {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, 0x49, false},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53, false},
    {SDL_SCANCODE_KP_COMMA, VK_SEPARATOR, 0x7E, false},
    {SDL_SCANCODE_KP_EQUALS, VK_OEM_PLUS, 0x59, false},
    {SDL_SCANCODE_KP_CLEAR, VK_CLEAR, 0x4C, false},
    {SDL_SCANCODE_CLEAR, VK_CLEAR, 0x4C, false},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true},
    {SDL_SCANCODE_MENU, VK_APPS, 0x5D, true},
    {SDL_SCANCODE_HELP, VK_HELP, 0, false},
    {SDL_SCANCODE_SELECT, VK_SELECT, 0, false},
    {SDL_SCANCODE_EXECUTE, VK_EXECUTE, 0, false},
    {SDL_SCANCODE_SLEEP, VK_SLEEP, 0x5F, true},
    {SDL_SCANCODE_MUTE, VK_VOLUME_MUTE, 0x20, true},
    {SDL_SCANCODE_VOLUMEUP, VK_VOLUME_UP, 0x30, true},
    {SDL_SCANCODE_VOLUMEDOWN, VK_VOLUME_DOWN, 0x2E, true},
    {SDL_SCANCODE_AUDIONEXT, VK_MEDIA_NEXT_TRACK, 0x19, true},
    {SDL_SCANCODE_AUDIOPREV, VK_MEDIA_PREV_TRACK, 0x10, true},
    {SDL_SCANCODE_AUDIOSTOP, VK_MEDIA_STOP, 0x24, true},
    {SDL_SCANCODE_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE, 0x22, true},
    {SDL_SCANCODE_MAIL, VK_LAUNCH_MAIL, 0x6C, true},
    {SDL_SCANCODE_AC_SEARCH, VK_BROWSER_SEARCH, 0x65, true},
    {SDL_SCANCODE_AC_HOME, VK_BROWSER_HOME, 0x32, true},
    {SDL_SCANCODE_AC_BACK, VK_BROWSER_BACK, 0x6A, true},
    {SDL_SCANCODE_AC_FORWARD, VK_BROWSER_FORWARD, 0x69, true},
    {SDL_SCANCODE_AC_STOP, VK_BROWSER_STOP, 0x68, true},
    {SDL_SCANCODE_AC_REFRESH, VK_BROWSER_REFRESH, 0x67, true},
    {SDL_SCANCODE_AC_BOOKMARKS, VK_BROWSER_FAVORITES, 0x66, true},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, kScanControl, false},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, kScanControl, true},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, kScanLeftShift, false},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, kScanRightShift, false},
    {SDL_SCANCODE_LALT, VK_MENU, kScanAlt, false},
    {SDL_SCANCODE_RALT, VK_MENU, kScanAlt, true},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true},
};

// Set-1 scan codes of the letter keys, A to Z by position.
constexpr uint8_t kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                     0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                     0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

VirtualKeyInfo FromPosition(int32_t scancode) {
  VirtualKeyInfo info;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    info.vk = 'A' + (scancode - SDL_SCANCODE_A);
    info.scanCode = kLetterScan[scancode - SDL_SCANCODE_A];
    return info;
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    info.vk = '1' + (scancode - SDL_SCANCODE_1);
    info.scanCode = 0x02 + (scancode - SDL_SCANCODE_1);
    return info;
  }
  if (scancode == SDL_SCANCODE_0) {
    info.vk = '0';
    info.scanCode = 0x0B;
    return info;
  }
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
    const int32_t n = scancode - SDL_SCANCODE_F1;
    info.vk = VK_F1 + n;
    info.scanCode = n < 10 ? 0x3B + n : 0x57 + (n - 10);
    return info;
  }
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) {
    info.vk = VK_F1 + 12 + (scancode - SDL_SCANCODE_F13);
    return info;
  }
  for (const ScancodeEntry& entry : kByPosition) {
    if (entry.scancode == scancode) {
      info.vk = entry.vk;
      info.scanCode = entry.scanCode;
      info.extended = entry.extended;
      return info;
    }
  }
  return info;
}

// The key the layout puts on a key, for the keys whose code follows the layout.
int32_t FromLayout(int32_t keycode) {
  if (keycode >= 'a' && keycode <= 'z') return 'A' + (keycode - 'a');
  if (keycode >= '0' && keycode <= '9') return keycode;
  switch (keycode) {
    case ';': return VK_OEM_1;
    case '=': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
  }
}

bool IsKeypad(int32_t scancode) {
  return scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD;
}

}  // namespace

VirtualKeyInfo VirtualKey_FromSDL(int32_t sdlKeycode, int32_t sdlScancode) {
  VirtualKeyInfo info = FromPosition(sdlScancode);
  // Only keys of the typing block follow the layout; keypad, function and modifier keys keep
  // their fixed meaning whatever character the layout assigns them.
  const bool typingKey = info.vk == 0 || (info.vk >= '0' && info.vk <= 'Z') ||
                         (info.vk >= VK_OEM_1 && info.vk <= VK_OEM_102);
  if (typingKey && !IsKeypad(sdlScancode)) {
    const int32_t layoutVk = FromLayout(sdlKeycode);
    if (layoutVk != 0) info.vk = layoutVk;
  }
  return info;
}
