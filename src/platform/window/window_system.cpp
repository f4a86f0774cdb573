#include "platform/window/window_system.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "core/console.h"
#include "platform/window/event_translator.h"
#include "platform/window/virtual_keys.h"

namespace {

bool g_videoHeld = false;

// A small generated icon: the program carries no icon file of its own.
void SetGeneratedIcon(SDL_Window* window) {
  constexpr int kSize = 32;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kSize, kSize, 32, SDL_PIXELFORMAT_ARGB8888);
  if (icon == nullptr) return;
  auto* pixels = static_cast<uint32_t*>(icon->pixels);
  const int pitch = icon->pitch / 4;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool border = x < 2 || y < 2 || x >= kSize - 2 || y >= kSize - 2;
      const bool mark = (x >= 8 && x < 24 && y >= 8 && y < 12) || (x >= 14 && x < 18 && y >= 8 && y < 26);
      pixels[y * pitch + x] = border ? 0xFF203040u : (mark ? 0xFFF0E0A0u : 0xFF3070B0u);
    }
  }
  SDL_SetWindowIcon(window, icon);
  SDL_FreeSurface(icon);
}

SDL_SystemCursor SdlCursorOf(CursorShape shape) {
  switch (shape) {
    case CursorShape::Cross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case CursorShape::IBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::SizeNESW: return SDL_SYSTEM_CURSOR_SIZENESW;
    case CursorShape::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case CursorShape::SizeNWSE: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case CursorShape::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case CursorShape::Wait: return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::Hand: return SDL_SYSTEM_CURSOR_HAND;
    case CursorShape::No: return SDL_SYSTEM_CURSOR_NO;
    case CursorShape::AppStarting: return SDL_SYSTEM_CURSOR_WAITARROW;
    case CursorShape::SizeAll: return SDL_SYSTEM_CURSOR_SIZEALL;
    // The system has no up-arrow or help shape: the arrow stands in.
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

class SdlWindowSystem final : public WindowSystem {
 public:
  bool GetScreenSize(int32_t* width, int32_t* height) override {
    *width = 0;
    *height = 0;
    if (!WindowLayer_EnsureVideo()) return false;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) != 0) return false;
    *width = bounds.w;
    *height = bounds.h;
    return true;
  }

  void AdjustWindowRect(WindowRect*, uint32_t) override {
    // The frame a window manager puts around a window is known only once the window is shown;
    // before that the outer rectangle is the client rectangle.
  }

  SDL_Window* CreateWindow(const WindowCreateDesc& desc) override {
    if (!WindowLayer_EnsureVideo()) return nullptr;
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
    if ((desc.style & WS_POPUP) != 0) flags |= SDL_WINDOW_BORDERLESS;
    if ((desc.style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
    const int w = std::max(1, desc.width);
    const int h = std::max(1, desc.height);
    SDL_Window* window = SDL_CreateWindow(desc.title != nullptr ? desc.title : "", desc.x, desc.y, w, h, flags);
    if (window == nullptr) {
      // Without OpenGL the window still carries input; the graphics device reports its own failure.
      Console_DebugOutput("SDL_CreateWindow: %s\n", SDL_GetError());
      window = SDL_CreateWindow(desc.title != nullptr ? desc.title : "", desc.x, desc.y, w, h,
                                flags & ~static_cast<uint32_t>(SDL_WINDOW_OPENGL));
    }
    if (window == nullptr) return nullptr;
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) != 0 && !m_glHeld) {
      // Keeps the OpenGL library loaded past this window: the next window (a relaunch, the
      // device's) need not start the driver again, and the driver's own caches stay reachable.
      m_glHeld = SDL_GL_LoadLibrary(nullptr) == 0;
    }
    m_windows.push_back(window);
    SetGeneratedIcon(window);
    WindowLayer_Translator().SetTarget(window, SDL_GetWindowID(window), w, h);
    SDL_StartTextInput();
    return window;
  }

  void DestroyWindow(SDL_Window* window) override {
    if (!IsLive(window)) return;
    Window_SendMessage(window, WM_DESTROY, 0, 0);
    if (!IsLive(window)) return;  // the procedure destroyed it itself
    m_windows.erase(std::find(m_windows.begin(), m_windows.end(), window));
    Window_DropMessagesFor(window);
    if (WindowLayer_Translator().Target() == window) WindowLayer_Translator().SetTarget(nullptr, 0, 0, 0);
    SDL_DestroyWindow(window);
  }

  int64_t DefWindowProc(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam) override {
    switch (message) {
      case WM_SYSCHAR:
        Window_SendMessage(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<int64_t>(wParam));
        return 0;
      case WM_SYSKEYDOWN:
        if (wParam == static_cast<uint64_t>(VK_F4) && (lParam & KEYDATA_ALT) != 0) {
          WindowMessage close;
          close.message = WM_CLOSE;
          close.window = window;
          Window_PostMessage(close);
        }
        return 0;
      case WM_CLOSE:
        DestroyWindow(window);
        return 0;
      default:
        return 0;
    }
  }

  void PostQuitMessage(int32_t exitCode) override {
    // One quit request is pending at most, however often it is asked for.
    if (Window_HasPendingMessage(WM_QUIT)) return;
    WindowMessage quit;
    quit.message = WM_QUIT;
    quit.wParam = static_cast<uint64_t>(static_cast<int64_t>(exitCode));
    Window_PostMessage(quit);
  }

  bool GetClientRect(SDL_Window* window, WindowRect* rect) override {
    if (!IsLive(window)) return false;
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window, &w, &h);
    *rect = WindowRect{0, 0, w, h};
    return true;
  }

  bool GetWindowRect(SDL_Window* window, WindowRect* rect) override {
    if (!IsLive(window)) return false;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &w, &h);
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
    *rect = WindowRect{x - left, y - top, x + w + right, y + h + bottom};
    return true;
  }

  bool ClientToScreen(SDL_Window* window, WindowPoint* point) override {
    if (!IsLive(window)) return false;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    point->x = WindowCoord_Offset(point->x, x);
    point->y = WindowCoord_Offset(point->y, y);
    return true;
  }

  bool MoveWindow(SDL_Window* window, int32_t x, int32_t y) override {
    if (!IsLive(window)) return false;
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = 0;
    SDL_SetWindowPosition(window, x + left, y + top);
    return true;
  }

  bool SetWindowPos(SDL_Window* window, int32_t x, int32_t y, int32_t width, int32_t height) override {
    if (!IsLive(window)) return false;
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
    SDL_SetWindowSize(window, std::max(1, width - left - right), std::max(1, height - top - bottom));
    SDL_SetWindowPosition(window, x + left, y + top);
    return true;
  }

  void SetWindowText(SDL_Window* window, const char* utf8) override {
    if (IsLive(window)) SDL_SetWindowTitle(window, utf8 != nullptr ? utf8 : "");
  }

  void ApplySizeLimits(SDL_Window* window) override {
    if (!IsLive(window)) return;
    WindowRect outer;
    WindowRect client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int32_t frameW = (outer.right - outer.left) - client.right;
    const int32_t frameH = (outer.bottom - outer.top) - client.bottom;
    MinMaxInfo info;
    info.minTrackSize = WindowPoint{1 + frameW, 1 + frameH};
    info.maxTrackSize = WindowPoint{kNoLimit + frameW, kNoLimit + frameH};
    Window_SendMessage(window, WM_GETMINMAXINFO, 0, reinterpret_cast<int64_t>(&info));
    const int minW = std::max(1, info.minTrackSize.x - frameW);
    const int minH = std::max(1, info.minTrackSize.y - frameH);
    const int maxW = std::max(minW, info.maxTrackSize.x - frameW);
    const int maxH = std::max(minH, info.maxTrackSize.y - frameH);
    SDL_SetWindowMinimumSize(window, minW, minH);
    SDL_SetWindowMaximumSize(window, maxW >= kNoLimit ? 0 : maxW, maxH >= kNoLimit ? 0 : maxH);
  }

  void ShowWindow(SDL_Window* window) override {
    if (IsLive(window)) SDL_ShowWindow(window);
  }

  void BringToFront(SDL_Window* window) override {
    if (!IsLive(window)) return;
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
  }

  void SetFocus(SDL_Window* window) override {
    if (IsLive(window) && (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0) SDL_SetWindowInputFocus(window);
  }

  int16_t GetKeyState(int32_t vk) override { return WindowLayer_Translator().GetKeyState(vk); }
  int16_t GetAsyncKeyState(int32_t vk) override { return WindowLayer_Translator().GetAsyncKeyState(vk); }

  void KeybdEvent(int32_t vk, bool up) override {
    EventTranslator& translator = WindowLayer_Translator();
    const bool wasDown = translator.GetAsyncKeyState(vk) != 0;
    translator.OnSyntheticKey(vk, !up);
    if (translator.Target() == nullptr) return;
    WindowMessage m;
    m.message = up ? WM_KEYUP : WM_KEYDOWN;
    m.wParam = static_cast<uint64_t>(vk & 0xFF);
    m.lParam = 1 | (up ? (KEYDATA_WAS_DOWN | KEYDATA_UP) : (wasDown ? KEYDATA_WAS_DOWN : 0));
    m.window = translator.Target();
    Window_PostMessage(m);
  }

  void SetCapture(SDL_Window* window) override {
    if (IsLive(window)) SDL_CaptureMouse(SDL_TRUE);
  }
  void ReleaseCapture() override {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_CaptureMouse(SDL_FALSE);
  }

  void SetCursor(CursorShape shape) override {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (shape == CursorShape::None) {
      SDL_ShowCursor(SDL_DISABLE);
      return;
    }
    const size_t index = static_cast<size_t>(shape);
    if (index >= kCursorCount) return;
    if (m_cursors[index] == nullptr) m_cursors[index] = SDL_CreateSystemCursor(SdlCursorOf(shape));
    if (m_cursors[index] != nullptr) SDL_SetCursor(m_cursors[index]);
    SDL_ShowCursor(SDL_ENABLE);
  }

  bool GetCursorPos(WindowPoint* point) override {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    int x = 0;
    int y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *point = WindowPoint{x, y};
    return true;
  }

  bool SetCursorPos(int32_t x, int32_t y) override {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    return SDL_WarpMouseGlobal(x, y) == 0;
  }

  int32_t GetMonitorCount() override {
    if (!WindowLayer_EnsureVideo()) return 0;
    return std::max(0, SDL_GetNumVideoDisplays());
  }

  bool GetMonitorRect(int32_t index, WindowRect* rect) override {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(index, &bounds) != 0) return false;
    *rect = WindowRect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    return true;
  }

 private:
  static constexpr int32_t kNoLimit = 1 << 20;
  static constexpr size_t kCursorCount = static_cast<size_t>(CursorShape::SizeAll) + 1;

  bool IsLive(SDL_Window* window) const {
    return window != nullptr && std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end();
  }

  std::vector<SDL_Window*> m_windows;
  bool m_glHeld = false;
  SDL_Cursor* m_cursors[kCursorCount] = {};
};

SdlWindowSystem& RealSystem() {
  static SdlWindowSystem system;
  return system;
}

WindowSystem* g_installed = nullptr;

}  // namespace

EventTranslator& WindowLayer_Translator() {
  static EventTranslator translator;
  return translator;
}

WindowSystem& WindowSystem_Get() { return g_installed != nullptr ? *g_installed : RealSystem(); }

void WindowSystem_Install(WindowSystem* system) { g_installed = system; }

bool WindowLayer_EnsureVideo() {
  if (g_videoHeld) return true;
  // Closing the window is the program's decision (WM_CLOSE), not a request to quit by itself.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Console_DebugOutput("SDL video: %s\n", SDL_GetError());
    return false;
  }
  g_videoHeld = true;
  return true;
}
