// Virtual-key codes: the key numbers the runner and its games use (values as the desktop window
// system defines them), and the table that turns SDL keys into them.
#pragma once

#include <cstdint>

inline constexpr int32_t VK_LBUTTON = 0x01;
inline constexpr int32_t VK_RBUTTON = 0x02;
inline constexpr int32_t VK_MBUTTON = 0x04;
inline constexpr int32_t VK_BACK = 0x08;
inline constexpr int32_t VK_TAB = 0x09;
inline constexpr int32_t VK_CLEAR = 0x0C;
inline constexpr int32_t VK_RETURN = 0x0D;
inline constexpr int32_t VK_SHIFT = 0x10;
inline constexpr int32_t VK_CONTROL = 0x11;
inline constexpr int32_t VK_MENU = 0x12;
inline constexpr int32_t VK_PAUSE = 0x13;
inline constexpr int32_t VK_CAPITAL = 0x14;
inline constexpr int32_t VK_ESCAPE = 0x1B;
inline constexpr int32_t VK_SPACE = 0x20;
inline constexpr int32_t VK_PRIOR = 0x21;
inline constexpr int32_t VK_NEXT = 0x22;
inline constexpr int32_t VK_END = 0x23;
inline constexpr int32_t VK_HOME = 0x24;
inline constexpr int32_t VK_LEFT = 0x25;
inline constexpr int32_t VK_UP = 0x26;
inline constexpr int32_t VK_RIGHT = 0x27;
inline constexpr int32_t VK_DOWN = 0x28;
inline constexpr int32_t VK_SELECT = 0x29;
inline constexpr int32_t VK_EXECUTE = 0x2B;
inline constexpr int32_t VK_SNAPSHOT = 0x2C;
inline constexpr int32_t VK_INSERT = 0x2D;
inline constexpr int32_t VK_DELETE = 0x2E;
inline constexpr int32_t VK_HELP = 0x2F;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
inline constexpr int32_t VK_LWIN = 0x5B;
inline constexpr int32_t VK_RWIN = 0x5C;
inline constexpr int32_t VK_APPS = 0x5D;
inline constexpr int32_t VK_SLEEP = 0x5F;
inline constexpr int32_t VK_NUMPAD0 = 0x60;  // .. VK_NUMPAD9 = 0x69
inline constexpr int32_t VK_MULTIPLY = 0x6A;
inline constexpr int32_t VK_ADD = 0x6B;
inline constexpr int32_t VK_SEPARATOR = 0x6C;
inline constexpr int32_t VK_SUBTRACT = 0x6D;
inline constexpr int32_t VK_DECIMAL = 0x6E;
inline constexpr int32_t VK_DIVIDE = 0x6F;
inline constexpr int32_t VK_F1 = 0x70;  // .. VK_F24 = 0x87
inline constexpr int32_t VK_F4 = 0x73;
inline constexpr int32_t VK_F10 = 0x79;
inline constexpr int32_t VK_NUMLOCK = 0x90;
inline constexpr int32_t VK_SCROLL = 0x91;
inline constexpr int32_t VK_LSHIFT = 0xA0;
inline constexpr int32_t VK_RSHIFT = 0xA1;
inline constexpr int32_t VK_LCONTROL = 0xA2;
inline constexpr int32_t VK_RCONTROL = 0xA3;
inline constexpr int32_t VK_LMENU = 0xA4;
inline constexpr int32_t VK_RMENU = 0xA5;
inline constexpr int32_t VK_BROWSER_BACK = 0xA6;
inline constexpr int32_t VK_BROWSER_FORWARD = 0xA7;
inline constexpr int32_t VK_BROWSER_REFRESH = 0xA8;
inline constexpr int32_t VK_BROWSER_STOP = 0xA9;
inline constexpr int32_t VK_BROWSER_SEARCH = 0xAA;
inline constexpr int32_t VK_BROWSER_FAVORITES = 0xAB;
inline constexpr int32_t VK_BROWSER_HOME = 0xAC;
inline constexpr int32_t VK_VOLUME_MUTE = 0xAD;
inline constexpr int32_t VK_VOLUME_DOWN = 0xAE;
inline constexpr int32_t VK_VOLUME_UP = 0xAF;
inline constexpr int32_t VK_MEDIA_NEXT_TRACK = 0xB0;
inline constexpr int32_t VK_MEDIA_PREV_TRACK = 0xB1;
inline constexpr int32_t VK_MEDIA_STOP = 0xB2;
inline constexpr int32_t VK_MEDIA_PLAY_PAUSE = 0xB3;
inline constexpr int32_t VK_LAUNCH_MAIL = 0xB4;
inline constexpr int32_t VK_OEM_1 = 0xBA;       // ;:
inline constexpr int32_t VK_OEM_PLUS = 0xBB;    // =+
inline constexpr int32_t VK_OEM_COMMA = 0xBC;
inline constexpr int32_t VK_OEM_MINUS = 0xBD;
inline constexpr int32_t VK_OEM_PERIOD = 0xBE;
inline constexpr int32_t VK_OEM_2 = 0xBF;       // /?
inline constexpr int32_t VK_OEM_3 = 0xC0;       // `~
inline constexpr int32_t VK_OEM_4 = 0xDB;       // [{
inline constexpr int32_t VK_OEM_5 = 0xDC;       // backslash |
inline constexpr int32_t VK_OEM_6 = 0xDD;       // ]}
inline constexpr int32_t VK_OEM_7 = 0xDE;       // '"
inline constexpr int32_t VK_OEM_102 = 0xE2;     // the extra key left of Z on 105-key boards

// Scan codes (set 1) that the key messages carry for the keys told apart by them.
inline constexpr int32_t kScanLeftShift = 0x2A;
inline constexpr int32_t kScanRightShift = 0x36;
inline constexpr int32_t kScanControl = 0x1D;
inline constexpr int32_t kScanAlt = 0x38;

struct VirtualKeyInfo {
  int32_t vk = 0;         // 0: the key has no virtual-key code
  int32_t scanCode = 0;   // bits 16..23 of the key data
  bool extended = false;  // bit 24 of the key data
};

// The virtual key of an SDL key. Letters, digits and punctuation follow the keyboard layout (the
// SDL key code); keys the layout gives no known code fall back to their position (the scan code).
// Both Shift keys give VK_SHIFT (told apart by the scan code), both Ctrl keys VK_CONTROL and both
// Alt keys VK_MENU (the right ones with the extended bit).
VirtualKeyInfo VirtualKey_FromSDL(int32_t sdlKeycode, int32_t sdlScancode);
