// Window messages: the numbers the window procedure switches on, the message record, and the
// thread's message queue that the host's message pump drains.
//
// System events (SDL) are turned into these messages when the queue is read, so the window
// procedure sees the same sequence a desktop window system would send: key-down, character,
// key-up, mouse, wheel, focus, size, close.
#pragma once

#include <cstdint>

struct SDL_Window;

// Message numbers (values as the desktop window system defines them).
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_GETMINMAXINFO = 0x0024;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_NCLBUTTONUP = 0x00A2;
inline constexpr uint32_t WM_NCRBUTTONUP = 0x00A5;
inline constexpr uint32_t WM_NCMBUTTONUP = 0x00A8;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_SIZING = 0x0214;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uint32_t WM_EXITSIZEMOVE = 0x0232;

// WM_SIZE kinds.
inline constexpr uint64_t SIZE_RESTORED = 0;
inline constexpr uint64_t SIZE_MINIMIZED = 1;
inline constexpr uint64_t SIZE_MAXIMIZED = 2;
// WM_ACTIVATE states.
inline constexpr uint64_t WA_INACTIVE = 0;
inline constexpr uint64_t WA_ACTIVE = 1;
// WM_SYSCOMMAND: the keyboard menu (Alt with a character; the character is in lParam).
inline constexpr uint64_t SC_KEYMENU = 0xF100;
// WM_SETCURSOR hit-test code of the client area (low word of lParam).
inline constexpr int64_t HTCLIENT = 1;
// WM_DEVICECHANGE: a device was added or removed.
inline constexpr uint64_t DBT_DEVNODES_CHANGED = 0x0007;
// Wheel delta of one notch.
inline constexpr int32_t WHEEL_DELTA = 120;

// Key-message lParam: repeat count in bits 0..15, scan code in 16..23, extended key in 24,
// Alt held in 29, previous key state in 30, transition (key going up) in 31.
inline constexpr int64_t KEYDATA_EXTENDED = int64_t{1} << 24;
inline constexpr int64_t KEYDATA_ALT = int64_t{1} << 29;
inline constexpr int64_t KEYDATA_WAS_DOWN = int64_t{1} << 30;
inline constexpr int64_t KEYDATA_UP = int64_t{1} << 31;

constexpr int64_t MakeLParam(int32_t low, int32_t high) {
  return static_cast<int64_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                              ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr uint16_t LowWord(uint64_t value) { return static_cast<uint16_t>(value & 0xFFFFu); }
constexpr uint16_t HighWord(uint64_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFFu); }

struct WindowPoint {
  int32_t x = 0;
  int32_t y = 0;
};
// A screen coordinate moved by an offset: a script's coordinate near the integer limits stops at
// the limit instead of wrapping around to the far side.
constexpr int32_t WindowCoord_Offset(int32_t coordinate, int64_t offset) {
  const int64_t sum = coordinate + offset;
  return sum < INT32_MIN ? INT32_MIN : sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}
struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// What WM_GETMINMAXINFO's lParam points at: the outer-size limits the procedure may tighten.
struct MinMaxInfo {
  WindowPoint reserved;
  WindowPoint maxSize;
  WindowPoint maxPosition;
  WindowPoint minTrackSize;
  WindowPoint maxTrackSize;
};

struct WindowMessage {
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  SDL_Window* window = nullptr;
};

// Appends a message to the queue.
void Window_PostMessage(const WindowMessage& message);
// Takes the oldest pending message out of the queue; false when none is pending. Pending system
// events are turned into messages first, so this never waits.
bool Window_PeekMessage(WindowMessage* message);
// Hands a message to the window procedure, when one is installed; its answer, else 0.
int64_t Window_DispatchMessage(const WindowMessage& message);
// Dispatches at once, bypassing the queue (what the system does for messages it sends).
int64_t Window_SendMessage(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam);
// Forgets every pending message and system event (a new window, a test's fresh start).
void Window_ClearMessageQueue();
// True when a message with that number waits in the queue.
bool Window_HasPendingMessage(uint32_t message);
// Forgets the pending messages of a window that is going away.
void Window_DropMessagesFor(SDL_Window* window);

using WindowProcedure = int64_t (*)(const WindowMessage& message);
void Window_SetProcedure(WindowProcedure procedure);
