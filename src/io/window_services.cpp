#include "io/window_services.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/memory_manager.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"
#include "io/input.h"
#include "io/main_window.h"
#include "io/display.h"

ViewPortRecord g_ViewPorts[kViewPortCount];
int32_t g_ViewPortCount = 0;
float View_Scale[2] = {1.0f, 1.0f};

namespace {

uint32_t g_windowColour = 0xFFFFFFFFu;

WindowSystem& Sys() { return WindowSystem_Get(); }

// Rounds to the nearest integer, halves to even.
int32_t Nearest(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

// Cursor-table index of each cr_* value 0..-22.
constexpr int32_t kCursorIndex[23] = {0, 1, 0, 2, 3, 1, 4, 5, 6, 7, 8, 9, 10, 11, 11, 11, 11, 11, 11, 12, 13, 10, 14};

bool ViewUsable(int32_t n) { return n >= 0 && n < kViewPortCount && g_ViewPorts[n].set; }

void ApplyLimits() {
  // The limits take effect the next time the system asks for them.
  if (g_WindowState.window != nullptr) Sys().ApplySizeLimits(g_WindowState.window);
}

}  // namespace

void Window_SetPosition(int32_t x, int32_t y) {
  SDL_Window* window = g_WindowState.window;
  WindowRect outer;
  WindowRect client;
  if (!Sys().GetWindowRect(window, &outer) || !Sys().GetClientRect(window, &client)) return;
  const int32_t outerWidth = outer.right - outer.left;
  const int32_t outerHeight = outer.bottom - outer.top;
  const int32_t border = (outerWidth - (client.right - client.left)) / 2;
  const int32_t caption = (g_GameHeader.headerFlags & kHeaderBorderless) != 0
                              ? 0
                              : std::max(0, outerHeight - (client.bottom - client.top) - 2 * border);
  Sys().MoveWindow(window, WindowCoord_Offset(x, -int64_t{border}), WindowCoord_Offset(y, -int64_t{border} - caption));
}

int32_t Window_GetX() {
  WindowPoint p;
  if (!Sys().ClientToScreen(g_WindowState.window, &p)) return 0;
  return p.x;
}

int32_t Window_GetY() {
  WindowPoint p;
  if (!Sys().ClientToScreen(g_WindowState.window, &p)) return 0;
  return p.y;
}

void Window_SetSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  WindowState& s = g_WindowState;
  s.pendingWidth = width;
  s.pendingHeight = height;
  if (s.fullscreen) return;
  if (Window_GetWidth() == width && Window_GetHeight() == height) return;
  // A pending full-screen change (countdown 1) keeps its turn.
  if (g_FrameTiming.displayResetCountdown <= 10 && g_FrameTiming.displayResetCountdown != 1) g_FrameTiming.displayResetCountdown = 10;
}

void Window_SetRectangle(int32_t x, int32_t y, int32_t width, int32_t height) {
  Window_SetPosition(x, y);
  Window_SetSize(width, height);
  g_WindowState.sizeChanged = true;
}

void Window_SetMinWidth(int32_t value) {
  g_WindowState.minWidth = value;
  ApplyLimits();
}
void Window_SetMaxWidth(int32_t value) {
  g_WindowState.maxWidth = value;
  ApplyLimits();
}
void Window_SetMinHeight(int32_t value) {
  g_WindowState.minHeight = value;
  ApplyLimits();
}
void Window_SetMaxHeight(int32_t value) {
  g_WindowState.maxHeight = value;
  ApplyLimits();
}

int32_t Window_GetBackbufferWidth() { return g_WindowState.backbufferWidth; }
int32_t Window_GetBackbufferHeight() { return g_WindowState.backbufferHeight; }

int32_t Window_GetCursor() { return g_WindowState.windowCursor; }

void Window_SetCursor(int32_t cr) {
  WindowState& s = g_WindowState;
  s.windowCursor = cr;
  if (cr < -22 || cr > 0) return;
  // With the cursor option off the choice is only remembered: the cursor stays hidden.
  if (!g_GameOptions.showCursor) return;
  s.currentCursor = s.cursorTable[kCursorIndex[-cr]];
  Sys().SetCursor(s.currentCursor);
}

void Window_SetMousePosition(int32_t x, int32_t y) {
  if (!g_WindowState.focus) return;
  SDL_Window* window = g_WindowState.window;
  WindowPoint p{x, y};
  if (!Sys().ClientToScreen(window, &p)) {
    WindowRect outer;
    if (!Sys().GetWindowRect(window, &outer)) return;
    p.x = WindowCoord_Offset(x, outer.left);
    p.y = WindowCoord_Offset(y, outer.top);
  }
  Sys().SetCursorPos(p.x, p.y);
}

int32_t Window_GetVisibleRects(double x1, double y1, double x2, double y2, double** out) {
  *out = nullptr;
  const int32_t count = Sys().GetMonitorCount();
  if (count <= 0) return 0;
  auto* values = static_cast<double*>(MEM_ALLOC(sizeof(double) * 8 * static_cast<size_t>(count)));
  for (int32_t i = 0; i < count; ++i) {
    double* m = values + 8 * i;
    std::fill(m, m + 8, 0.0);
    WindowRect r;
    if (!Sys().GetMonitorRect(i, &r)) continue;
    m[4] = r.left;
    m[5] = r.top;
    m[6] = r.right;
    m[7] = r.bottom;
    if (x2 > r.left && r.right > x1 && y2 > r.top && r.bottom > y1) {
      m[0] = std::max(x1, static_cast<double>(r.left));
      m[1] = std::max(y1, static_cast<double>(r.top));
      m[2] = std::min(x2, static_cast<double>(r.right));
      m[3] = std::min(y2, static_cast<double>(r.bottom));
    }
  }
  *out = values;
  return count;
}

void Window_SetColour(uint32_t colour) { g_windowColour = colour | 0xFF000000u; }
uint32_t Window_GetColour() { return g_windowColour & 0xFFFFFFu; }

void Window_GetAppSurfaceRect(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) {
  const int32_t dw = Display_Size.width;
  const int32_t dh = Display_Size.height;
  const int32_t sw = Display_AppSurfaceSize.width;
  const int32_t sh = Display_AppSurfaceSize.height;
  *left = 0;
  *top = 0;
  *right = dw;
  *bottom = dh;
  if (!Display_KeepAspect || sw <= 0 || sh <= 0) return;
  const float a = static_cast<float>(sw) / static_cast<float>(sh);
  if (static_cast<float>(dh) > static_cast<float>(dw) / a) {
    const float h = (static_cast<float>(sh) / static_cast<float>(sw)) * static_cast<float>(dw);
    *top = static_cast<int32_t>((static_cast<float>(dh) - h) * 0.5f);
    *bottom = static_cast<int32_t>(static_cast<float>(*top) + h);
  } else {
    const float w = static_cast<float>(dh) * a;
    *left = static_cast<int32_t>((static_cast<float>(dw) - w) * 0.5f);
    *right = static_cast<int32_t>(static_cast<float>(*left) + w);
  }
}

void Window_SetViewPort(int32_t n, float portX, float portY, float portWidth, float portHeight, float viewX,
                        float viewY, float viewWidth, float viewHeight, float angle, int32_t surface) {
  if (n < 0 || n >= kViewPortCount) return;
  ViewPortRecord& r = g_ViewPorts[n];
  if (!r.set) ++g_ViewPortCount;
  r.set = true;
  r.portX = portX;
  r.portY = portY;
  r.portWidth = portWidth;
  r.portHeight = portHeight;
  r.viewX = viewX;
  r.viewY = viewY;
  r.viewWidth = viewWidth;
  r.viewHeight = viewHeight;
  r.angle = angle;
  r.surface = surface;
}

void Window_ClearViewPort(int32_t n) {
  if (n < 0 || n >= kViewPortCount) return;
  if (g_ViewPorts[n].set) --g_ViewPortCount;
  g_ViewPorts[n].set = false;
}

void Window_ResetViewPorts() {
  for (ViewPortRecord& r : g_ViewPorts) r.set = false;
  g_ViewPortCount = 0;
}

void Window_MapToView(int32_t n, int32_t x, int32_t y, int32_t* rx, int32_t* ry) {
  if (!ViewUsable(n)) return;
  const ViewPortRecord& v = g_ViewPorts[n];
  if (v.portWidth == 0.0f || v.portHeight == 0.0f) return;
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  // A minimised window has no client area to map from.
  const int32_t imageWidth = g_WindowState.clientWidth - 2 * ox;
  const int32_t imageHeight = g_WindowState.clientHeight - 2 * oy;
  if (imageWidth <= 0 || imageHeight <= 0) return;
  const double scaleX = View_Scale[0] != 0.0f ? View_Scale[0] : 1.0;
  const double scaleY = View_Scale[1] != 0.0f ? View_Scale[1] : 1.0;
  double sx = std::trunc(x * (static_cast<double>(Display_AppSurfaceSize.width) / imageWidth) / scaleX);
  double sy = std::trunc(y * (static_cast<double>(Display_AppSurfaceSize.height) / imageHeight) / scaleY);
  sx -= std::trunc(v.portX);
  sy -= std::trunc(v.portY);
  const double vx = sx * v.viewWidth / v.portWidth;
  const double vy = sy * v.viewHeight / v.portHeight;
  if (std::fabs(v.angle) < 0.01f) {
    *rx = Nearest(v.viewX + vx);
    *ry = Nearest(v.viewY + vy);
    return;
  }
  const double a = -v.angle * std::numbers::pi / 180.0;
  const double dx = vx - v.viewWidth / 2.0;
  const double dy = vy - v.viewHeight / 2.0;
  *rx = Nearest(v.viewX + v.viewWidth / 2.0 + std::cos(a) * dx + std::sin(a) * dy);
  *ry = Nearest(v.viewY + v.viewHeight / 2.0 - std::sin(a) * dx + std::cos(a) * dy);
}

void Window_MapPointToView(int32_t n, float roomX, float roomY, int32_t* px, int32_t* py) {
  *px = Nearest(roomX);
  *py = Nearest(roomY);
  if (!ViewUsable(n)) return;
  const ViewPortRecord& v = g_ViewPorts[n];
  if (v.viewWidth == 0.0f || v.viewHeight == 0.0f) return;
  const double vx = (static_cast<double>(roomX) - v.viewX) * v.portWidth / v.viewWidth;
  const double vy = (static_cast<double>(roomY) - v.viewY) * v.portHeight / v.viewHeight;
  if (std::fabs(v.angle) < 0.01f) {
    *px = Nearest(v.portX + vx);
    *py = Nearest(v.portY + vy);
    return;
  }
  const double a = v.angle * std::numbers::pi / 180.0;
  const double dx = vx - v.portWidth / 2.0;
  const double dy = vy - v.portHeight / 2.0;
  *px = Nearest(v.portX + v.portWidth / 2.0 + std::cos(a) * dx + std::sin(a) * dy);
  *py = Nearest(v.portY + v.portHeight / 2.0 - std::sin(a) * dx + std::cos(a) * dy);
}

int32_t Window_MouseX() { return g_IOInputState.deviceMouseX[0]; }
int32_t Window_MouseY() { return g_IOInputState.deviceMouseY[0]; }

int32_t Window_ViewMouseX(int32_t n) {
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  int32_t rx = 0;
  int32_t ry = 0;
  Window_MapToView(n, g_IOInputState.deviceMouseX[0] - ox, g_IOInputState.deviceMouseY[0] - oy, &rx, &ry);
  return rx;
}

int32_t Window_ViewMouseY(int32_t n) {
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  int32_t rx = 0;
  int32_t ry = 0;
  Window_MapToView(n, g_IOInputState.deviceMouseX[0] - ox, g_IOInputState.deviceMouseY[0] - oy, &rx, &ry);
  return ry;
}
