#include "world/room_mouse.h"

#include <cmath>

#include "io/input.h"
#include "io/main_window.h"
#include "io/window_services.h"
#include "world/room.h"

void Window_MapToRoom(int32_t x, int32_t y, int32_t* rx, int32_t* ry) {
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  x -= ox;
  y -= oy;
  const CRoom* room = Room_Current;
  auto counts = [room](int32_t n) {
    return n < 8 && g_ViewPorts[n].set && room->views[n].visible && room->views[n].surfaceId == -1;
  };
  if (room != nullptr) {
    bool any = false;
    for (int32_t n = 0; n < 8; ++n) any = any || counts(n);
    if (any) {
      *rx = x;
      *ry = y;
      // The topmost view under the point wins.
      for (int32_t n = kViewPortCount - 1; n >= 0; --n) {
        if (!counts(n)) continue;
        Window_MapToView(n, x, y, rx, ry);
        const ViewPortRecord& v = g_ViewPorts[n];
        if (v.viewX <= *rx && *rx < v.viewX + v.viewWidth && v.viewY <= *ry && *ry < v.viewY + v.viewHeight) return;
      }
      return;
    }
  }
  double fx = 1.0;
  double fy = 1.0;
  if (room != nullptr) {
    const int32_t imageWidth = g_WindowState.clientWidth - 2 * ox;
    const int32_t imageHeight = g_WindowState.clientHeight - 2 * oy;
    if (imageWidth > 0) fx = static_cast<double>(room->width) / imageWidth;
    if (imageHeight > 0) fy = static_cast<double>(room->height) / imageHeight;
  }
  *rx = static_cast<int32_t>(std::trunc(x * fx));
  *ry = static_cast<int32_t>(std::trunc(y * fy));
}

void Window_DeviceMouseToRoom(int32_t* x, int32_t* y, int32_t device) {
  if (device < 0 || device >= IO_DEVICE_COUNT) {
    *x = 0;
    *y = 0;
    return;
  }
  const int32_t wx = g_IOInputState.deviceMouseX[device];
  const int32_t wy = g_IOInputState.deviceMouseY[device];
  if (Room_Current == nullptr) {
    *x = wx;
    *y = wy;
    return;
  }
  Window_MapToRoom(wx, wy, x, y);
}

int32_t Window_DeviceMouseX(int32_t device) {
  int32_t x = 0;
  int32_t y = 0;
  Window_DeviceMouseToRoom(&x, &y, device);
  return x;
}

int32_t Window_DeviceMouseY(int32_t device) {
  int32_t x = 0;
  int32_t y = 0;
  Window_DeviceMouseToRoom(&x, &y, device);
  return y;
}
