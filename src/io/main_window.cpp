#include "io/main_window.h"

#include <algorithm>
#include <cstring>

#include "core/console.h"
#include "core/memory_manager.h"
#include "runtime/host_state.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"
#include "io/gamepad.h"
#include "io/input.h"
#include "io/joystick.h"
#include "io/os_events.h"
#include "platform/window/messages.h"
#include "platform/window/virtual_keys.h"
#include "io/display.h"

WindowState g_WindowState;

namespace {

WindowSystem& Sys() { return WindowSystem_Get(); }

int64_t Default(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam) {
  return Sys().DefWindowProc(window, message, wParam, lParam);
}

int64_t DispatchToProc(const WindowMessage& message) {
  return Window_Proc(message.window, message.message, message.wParam, message.lParam);
}

// Mouse messages carry the client position as two signed 16-bit halves (a captured mouse may
// be left of or above the window).
int32_t MouseX(int64_t lParam) { return static_cast<int16_t>(LowWord(static_cast<uint64_t>(lParam))); }
int32_t MouseY(int64_t lParam) { return static_cast<int16_t>(HighWord(static_cast<uint64_t>(lParam))); }

bool Extended(int64_t lParam) { return (lParam & KEYDATA_EXTENDED) != 0; }
int32_t ScanCode(int64_t lParam) { return static_cast<int32_t>((lParam >> 16) & 0xFF); }

// Whether a Shift key-down is the right Shift. With only the right one down that is plain; with
// both down (one pressed while the other is held) the scan code remembered from the right one
// decides, so pressing the left Shift meanwhile never takes over the right one's scan code.
bool IsRightShift(int64_t lParam) {
  if ((Sys().GetKeyState(VK_RSHIFT) & 0x80) == 0) return false;
  if ((Sys().GetKeyState(VK_LSHIFT) & 0x80) == 0) return true;
  return ScanCode(lParam) == g_WindowState.rightShiftScanCode;
}

void HandleKeyDown(uint32_t message, uint64_t wParam, int64_t lParam) {
  const int32_t vk = static_cast<int32_t>(wParam);
  const bool repeat = (lParam & KEYDATA_WAS_DOWN) != 0;
  switch (vk) {
    case VK_MENU:
      IO_OnKeyDown(VK_MENU, repeat);
      IO_OnKeyDown(Extended(lParam) ? VK_RMENU : VK_LMENU, repeat);
      break;
    case VK_CONTROL:
      IO_OnKeyDown(VK_CONTROL, repeat);
      IO_OnKeyDown(Extended(lParam) ? VK_RCONTROL : VK_LCONTROL, repeat);
      break;
    case VK_SHIFT:
      IO_OnKeyDown(VK_SHIFT, repeat);
      if (IsRightShift(lParam)) {
        // Both Shift keys share one key code; their release is told apart by this scan code.
        g_WindowState.rightShiftScanCode = ScanCode(lParam);
        IO_OnKeyDown(VK_RSHIFT, repeat);
      } else {
        IO_OnKeyDown(VK_LSHIFT, repeat);
      }
      break;
    default:
      // Alt+F4 only ends a game that was started by another one, which then comes back.
      if (message == WM_SYSKEYDOWN && vk == VK_F4 && g_Host.subGame) g_RoomChangeCode = kRoomChangeEndGame;
      IO_OnKeyDown(vk, repeat);
      break;
  }
}

void HandleKeyUp(uint64_t wParam, int64_t lParam) {
  const int32_t vk = static_cast<int32_t>(wParam);
  switch (vk) {
    case VK_MENU:
      IO_OnKeyUp(VK_MENU);
      IO_OnKeyUp(Extended(lParam) ? VK_RMENU : VK_LMENU);
      break;
    case VK_CONTROL:
      IO_OnKeyUp(VK_CONTROL);
      IO_OnKeyUp(Extended(lParam) ? VK_RCONTROL : VK_LCONTROL);
      break;
    case VK_SHIFT:
      IO_OnKeyUp(VK_SHIFT);
      IO_OnKeyUp(ScanCode(lParam) == g_WindowState.rightShiftScanCode ? VK_RSHIFT : VK_LSHIFT);
      break;
    default:
      IO_OnKeyUp(vk);
      break;
  }
}

void ApplyMinMaxInfo(SDL_Window* window, int64_t lParam) {
  auto* info = reinterpret_cast<MinMaxInfo*>(static_cast<intptr_t>(lParam));
  if (info == nullptr) return;
  WindowRect outer;
  WindowRect client;
  if (!Sys().GetWindowRect(window, &outer) || !Sys().GetClientRect(window, &client)) return;
  const int32_t clientWidth = client.right - client.left;
  if (clientWidth <= 0) return;
  const int32_t frameWidth = (outer.right - outer.left) - clientWidth;
  const int32_t frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  const WindowState& s = g_WindowState;
  if (s.minWidth > 0) info->minTrackSize.x = s.minWidth + frameWidth;
  if (s.minHeight > 0) info->minTrackSize.y = s.minHeight + frameHeight;
  if (s.maxWidth > 0) info->maxTrackSize.x = s.maxWidth + frameWidth;
  if (s.maxHeight > 0) info->maxTrackSize.y = s.maxHeight + frameHeight;
}

}  // namespace

void WindowState_Reset() {
  MemoryManager_Free(g_WindowState.caption);
  g_WindowState = WindowState();
}

bool Window_Create(int32_t width, int32_t height) {
  WindowState& s = g_WindowState;
  const uint32_t flags = g_GameHeader.headerFlags;
  const int32_t requestedWidth = width;
  const int32_t requestedHeight = height;

  // 1. Fit the client area on the screen, leaving room for the frame.
  if ((flags & kHeaderBorderless) != 0) {
    s.windowedStyle = kStylePopup;
  } else if ((flags & kHeaderResizable) != 0) {
    s.windowedStyle = kStyleResizable;
  } else {
    s.windowedStyle = kStyleFixed;
  }
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  const bool screenKnown = Sys().GetScreenSize(&screenWidth, &screenHeight);
  if (screenKnown) {
    WindowRect frame;
    if ((flags & kHeaderBorderless) == 0) Sys().AdjustWindowRect(&frame, s.windowedStyle);
    const int32_t chrome = frame.bottom - frame.top;
    width = std::min(width, screenWidth);
    height = std::min(height, screenHeight - chrome);
  }

  // 2. Sizes and style.
  s.clientWidth = width;
  s.clientHeight = height;
  s.window = nullptr;
  const uint32_t createStyle = (flags & kHeaderFullScreen) != 0 ? s.fullscreenStyle : s.windowedStyle;
  s.backbufferWidth = requestedWidth;
  s.backbufferHeight = requestedHeight;

  // 3. Centre the client area, then the whole window.
  WindowRect rect;
  rect.left = (screenWidth - width) / 2;
  rect.top = (screenHeight - height) / 2;
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  Console_DebugOutput("AdjustWindowRectEx\n");
  Sys().AdjustWindowRect(&rect, createStyle);
  s.outerWidth = rect.right - rect.left;
  s.outerHeight = rect.bottom - rect.top;
  const int32_t x = (screenWidth - s.outerWidth) / 2;
  const int32_t y = (screenHeight - s.outerHeight) / 2;

  // 4-5. The window's procedure (the window class of the desktop system).
  Console_DebugOutput("RegisterClassEx\n");
  Window_SetProcedure(DispatchToProc);

  // 6. The window.
  Console_DebugOutput("CreateWindowEx\n");
  WindowCreateDesc desc;
  desc.title = "";
  desc.x = x;
  desc.y = y;
  desc.width = width;
  desc.height = height;
  desc.style = createStyle;
  SDL_Window* window = Sys().CreateWindow(desc);
  if (window == nullptr) {
    Console_DebugOutput("Failed to create mainwindow\n");
    return false;
  }

  // 7. Handle and caption: a game without a display name keeps the runner's own.
  s.window = window;
  Window_SetCaption(g_GameHeader.displayName ? g_GameHeader.displayName->c_str() : kDefaultGameCaption);

  // 9. The cursor: an arrow only when the header asks for the class cursor and the game shows
  // its cursor; otherwise none until a script chooses one.
  if ((flags & kHeaderClassCursor) != 0 && g_GameOptions.showCursor) {
    s.currentCursor = CursorShape::Arrow;
    s.windowCursor = 0;
  } else {
    s.currentCursor = CursorShape::None;
    s.windowCursor = -1;
  }
  Sys().SetCursor(s.currentCursor);

  // 10. The cursor table, indexed as window_set_cursor picks from it.
  static constexpr CursorShape kTable[kWindowCursorTableSize] = {
      CursorShape::Arrow,    CursorShape::None,   CursorShape::Cross, CursorShape::IBeam, CursorShape::SizeNESW,
      CursorShape::SizeNS,   CursorShape::SizeNWSE, CursorShape::SizeWE, CursorShape::UpArrow, CursorShape::Wait,
      CursorShape::Hand,     CursorShape::No,     CursorShape::AppStarting, CursorShape::Help, CursorShape::SizeAll,
  };
  std::copy(std::begin(kTable), std::end(kTable), s.cursorTable);

  Sys().ApplySizeLimits(window);
  return true;
}

int64_t Window_Proc(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam) {
  WindowState& s = g_WindowState;
  switch (message) {
    case WM_DESTROY:
      Sys().PostQuitMessage(0);
      // The handle is about to become invalid: nothing may use it after this.
      if (s.window == window) s.window = nullptr;
      return Default(window, message, wParam, lParam);

    case WM_SIZE:
      if (s.sizing || s.fullscreen || (wParam != SIZE_RESTORED && wParam != SIZE_MAXIMIZED)) {
        return Default(window, message, wParam, lParam);
      }
      if (s.skipNextSize) {
        s.skipNextSize = false;
        return Default(window, message, wParam, lParam);
      }
      s.sizeChanged = true;
      if (Window_GetWidth() != 0) {
        s.pendingWidth = Window_GetWidth();
        s.pendingHeight = Window_GetHeight();
      } else {
        s.pendingWidth = -1;
        s.pendingHeight = -1;
      }
      g_FrameTiming.displayResetCountdown = 10;
      return Default(window, message, wParam, lParam);

    case WM_ACTIVATE:
      if (LowWord(wParam) == WA_INACTIVE && lParam == 0) OS_RequestPauseEvent();
      return Default(window, message, wParam, lParam);

    case WM_SETFOCUS:
      s.focus = true;
      return 0;
    case WM_KILLFOCUS:
      s.focus = false;
      return 0;

    case WM_CLOSE:
      Sys().DestroyWindow(window);
      return 0;

    case WM_ACTIVATEAPP:
      s.focus = wParam != 0;
      return Default(window, message, wParam, lParam);

    case WM_SETCURSOR:
      if (LowWord(static_cast<uint64_t>(lParam)) == HTCLIENT) {
        Sys().SetCursor(g_GameOptions.showCursor ? s.currentCursor : CursorShape::None);
        return 1;
      }
      return Default(window, message, wParam, lParam);

    case WM_GETMINMAXINFO:
      ApplyMinMaxInfo(window, lParam);
      return Default(window, message, wParam, lParam);

    case WM_NCACTIVATE:
      if (!s.focus && wParam == 1) {
        s.focus = true;
        Sys().SetFocus(window);
      }
      return Default(window, message, wParam, lParam);

    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONUP:
      IO_OnMouseUp(message, wParam, lParam);
      return Default(window, message, wParam, lParam);

    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // System keys never reach the default handling: Alt alone does not open a menu and
      // Alt+F4 does not close the window.
      HandleKeyDown(message, wParam, lParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      HandleKeyUp(wParam, lParam);
      return 0;

    case WM_CHAR:
      IO_MsgChar(static_cast<uint16_t>(wParam));
      return 0;

    case WM_SYSCOMMAND:
      if (wParam == SC_KEYMENU && lParam == 13 && g_GameOptions.altEnterTogglesFullScreen) {
        Window_SetFullscreen(!Window_GetFullscreen());
      }
      return Default(window, message, wParam, lParam);

    case WM_MOUSEMOVE:
      g_IOMessageBuffer.mouseX = MouseX(lParam);
      g_IOMessageBuffer.mouseY = MouseY(lParam);
      return Default(window, message, wParam, lParam);

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      IO_OnMouseDown(window, message, wParam, lParam);
      return Default(window, message, wParam, lParam);

    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      IO_OnMouseUp(message, wParam, lParam);
      return Default(window, message, wParam, lParam);

    case WM_MOUSEWHEEL:
      return IO_OnMouseWheel(LowWord(wParam), static_cast<int16_t>(HighWord(wParam)), lParam) ? 1 : 0;

    case WM_SIZING:
      s.sizing = true;
      return 0;

    case WM_DEVICECHANGE:
      Joystick_Detect();
      XInput_Discover();
      return Default(window, message, wParam, lParam);

    case WM_EXITSIZEMOVE:
      if (s.sizing) {
        s.sizing = false;
        s.sizeChanged = true;
        s.pendingWidth = std::max(1, Window_GetWidth());
        s.pendingHeight = std::max(1, Window_GetHeight());
        g_FrameTiming.displayResetCountdown = 10;
      }
      return 0;

    default:
      return Default(window, message, wParam, lParam);
  }
}

SDL_Window* Window_Handle() { return g_WindowState.window; }

void Window_SetFocus() {
  if (g_WindowState.window != nullptr) Sys().SetFocus(g_WindowState.window);
}

void Window_BringToFront() {
  if (g_WindowState.window != nullptr) Sys().BringToFront(g_WindowState.window);
}

void Window_Destroy() {
  SDL_Window* window = g_WindowState.window;
  if (window == nullptr) return;
  Sys().DestroyWindow(window);
  g_WindowState.window = nullptr;
}

int32_t Window_GetWidth() {
  WindowRect rect;
  if (!Sys().GetClientRect(g_WindowState.window, &rect)) {
    Console_DebugOutput("GetClientRect failed\n");
    return 0;
  }
  return rect.right - rect.left;
}

int32_t Window_GetHeight() {
  WindowRect rect;
  if (!Sys().GetClientRect(g_WindowState.window, &rect)) return 0;
  return rect.bottom - rect.top;
}

bool Window_IsActive() { return g_WindowState.focus; }

bool Window_GetFullscreen() { return g_WindowState.fullscreen; }

void Window_SetFullscreen(bool on) {
  WindowState& s = g_WindowState;
  if (on == s.fullscreen) return;
  if (!s.fullscreen) {
    s.savedWindowedWidth = Display_Size.width;
    s.savedWindowedHeight = Display_Size.height;
  }
  s.fullscreen = on;
  g_FrameTiming.displayResetCountdown = 1;
}

void Window_SetCaption(const char* text) {
  if (text == nullptr) text = "";
  char* copy = Host_DupText(text);
  MemoryManager_Free(g_WindowState.caption);
  g_WindowState.caption = copy;
  Window_ApplyCaption();
}

void Window_ApplyCaption() {
  if (g_WindowState.window == nullptr) return;
  Sys().SetWindowText(g_WindowState.window, g_WindowState.caption != nullptr ? g_WindowState.caption : "");
}

const char* Window_GetCaption() { return g_WindowState.caption != nullptr ? g_WindowState.caption : ""; }

void IO_OnKeyDown(int32_t vk, bool repeat) { IO_MsgKeyDown(vk, repeat); }

void IO_OnKeyUp(int32_t vk) { IO_MsgKeyUp(vk); }

void IO_OnMouseDown(SDL_Window* window, uint32_t message, uint64_t, int64_t lParam) {
  const int32_t button = message == WM_RBUTTONDOWN ? 2 : message == WM_MBUTTONDOWN ? 3 : 1;
  // The mouse stays with the window while any button is held over it.
  if (++g_WindowState.mouseCaptureCount == 1) Sys().SetCapture(window);
  IO_MsgMouseDown(button, MouseX(lParam), MouseY(lParam));
}

void IO_OnMouseUp(uint32_t message, uint64_t, int64_t lParam) {
  const int32_t button =
      (message == WM_RBUTTONUP || message == WM_NCRBUTTONUP) ? 2
      : (message == WM_MBUTTONUP || message == WM_NCMBUTTONUP) ? 3
                                                               : 1;
  if (--g_WindowState.mouseCaptureCount <= 0) {
    g_WindowState.mouseCaptureCount = 0;
    Sys().ReleaseCapture();
  }
  IO_MsgMouseUp(button, MouseX(lParam), MouseY(lParam));
}

bool IO_OnMouseWheel(uint32_t, int32_t delta, int64_t) {
  const int16_t notches = static_cast<int16_t>(delta);
  if (notches > 0) {
    IO_MsgWheelUp();
    return false;
  }
  if (notches < 0) {
    IO_MsgWheelDown();
    return false;
  }
  return true;
}
