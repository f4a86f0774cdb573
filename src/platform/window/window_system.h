// The window system as the runner's host uses it: creating and destroying its window, sizes and
// positions, the default message handling, key state, mouse capture, cursor shapes, the cursor
// position, monitors and made-up key presses.
//
// The host reaches the system only through WindowSystem_Get(), so a test can install a fake that
// answers and records, and run the window procedure without any window. The real system is SDL:
// one SDL window (created with SDL_WINDOW_OPENGL so the graphics device can put its context on
// it), SDL events turned into window messages (platform/window/messages.h).
#pragma once

#include <cstdint>

#include "platform/window/messages.h"

struct SDL_Window;

// Window styles (values as the desktop window system defines them): the host describes its
// window with them, the system turns them into SDL window flags.
inline constexpr uint32_t WS_POPUP = 0x80000000u;         // no frame
inline constexpr uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000u;    // a frame the user can drag
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000u;

// Cursor shapes of the system. None hides the cursor.
enum class CursorShape : int32_t {
  None = 0,
  Arrow,
  Cross,
  IBeam,
  SizeNESW,
  SizeNS,
  SizeNWSE,
  SizeWE,
  UpArrow,
  Wait,
  Hand,
  No,
  AppStarting,
  Help,
  SizeAll,
};

struct WindowCreateDesc {
  const char* title = "";
  int32_t x = 0;  // outer position
  int32_t y = 0;
  int32_t width = 0;  // client size
  int32_t height = 0;
  uint32_t style = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The primary screen's size; false when no display can be reached.
  virtual bool GetScreenSize(int32_t* width, int32_t* height) = 0;
  // Enlarges a client rectangle to the outer rectangle of a window of that style.
  virtual void AdjustWindowRect(WindowRect* rect, uint32_t style) = 0;

  // A new hidden window; null on failure. Its events become messages for the installed
  // procedure from now on.
  virtual SDL_Window* CreateWindow(const WindowCreateDesc& desc) = 0;
  // Sends WM_DESTROY to the procedure, then destroys the window. A window already destroyed,
  // or null, is ignored.
  virtual void DestroyWindow(SDL_Window* window) = 0;
  // What the system does with a message the procedure leaves to it: a system character comes
  // back as WM_SYSCOMMAND SC_KEYMENU, Alt+F4 asks the window to close, WM_CLOSE destroys it.
  virtual int64_t DefWindowProc(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam) = 0;
  virtual void PostQuitMessage(int32_t exitCode) = 0;

  // Client rectangle (left and top 0); false when the window does not exist.
  virtual bool GetClientRect(SDL_Window* window, WindowRect* rect) = 0;
  // Outer rectangle in screen coordinates.
  virtual bool GetWindowRect(SDL_Window* window, WindowRect* rect) = 0;
  virtual bool ClientToScreen(SDL_Window* window, WindowPoint* point) = 0;
  // Moves the window's outer top-left corner to (x, y); its size is left alone.
  virtual bool MoveWindow(SDL_Window* window, int32_t x, int32_t y) = 0;
  // Places the window's outer rectangle at (x, y) with that outer size (the graphics device does
  // so after a reset). Systems that cannot answer false.
  virtual bool SetWindowPos(SDL_Window*, int32_t, int32_t, int32_t, int32_t) { return false; }
  virtual void SetWindowText(SDL_Window* window, const char* utf8) = 0;
  // Asks the procedure for the size limits (WM_GETMINMAXINFO) and applies them.
  virtual void ApplySizeLimits(SDL_Window* window) = 0;
  virtual void ShowWindow(SDL_Window* window) = 0;
  virtual void BringToFront(SDL_Window* window) = 0;
  virtual void SetFocus(SDL_Window* window) = 0;

  virtual int16_t GetKeyState(int32_t vk) = 0;
  virtual int16_t GetAsyncKeyState(int32_t vk) = 0;
  // Queues a key press or release for the main window as if it came from the keyboard.
  virtual void KeybdEvent(int32_t vk, bool up) = 0;

  virtual void SetCapture(SDL_Window* window) = 0;
  virtual void ReleaseCapture() = 0;
  virtual void SetCursor(CursorShape shape) = 0;
  virtual bool GetCursorPos(WindowPoint* point) = 0;
  virtual bool SetCursorPos(int32_t x, int32_t y) = 0;

  virtual int32_t GetMonitorCount() = 0;
  virtual bool GetMonitorRect(int32_t index, WindowRect* rect) = 0;
};

// The system in use: the real one unless a test installed another.
WindowSystem& WindowSystem_Get();
// Installs a system; null puts the real one back.
void WindowSystem_Install(WindowSystem* system);

// Starts SDL's video subsystem once for the window layer (window, clipboard, cursors); false when
// there is no video driver.
bool WindowLayer_EnsureVideo();
