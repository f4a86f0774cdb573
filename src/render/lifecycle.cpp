#include "render/lifecycle.h"

#include "host/entry.h"
#include "platform/window/window_system.h"
#include "render/display.h"

GR_StartupFlagsRecord GR_StartupFlags;
int32_t Debug_OverlayFlags = 0;

namespace {
int32_t g_circlePrecision = 0;
}

void GR_InitCirclePrecision() { g_circlePrecision = 24; }
int32_t GR_GetCirclePrecision() { return g_circlePrecision; }

// The renderer is not built yet: there is no device, so start-up goes on without one and the
// steps below have nothing to create, register or free.
void Particle_Reset() {}
void Particle_CreateShapeTextures() {}
void Particle_Shutdown() {}
void Display_SetAll(int32_t, int32_t, int32_t, int32_t) {}
// Without a device the display still has its size and the window is shown, as the device's
// creation would do, so that the window takes input.
bool GR_D3D_Init(void* window, int32_t width, int32_t height, uint32_t) {
  Display_Size = DisplayExtent{width, height};
  Display_AppSurfaceSize = DisplayExtent{width, height};
  if (window != nullptr) {
    WindowSystem_Get().ShowWindow(static_cast<SDL_Window*>(window));
    g_Host.windowDestroyed = false;
  }
  return false;
}
void GR_D3D_Shutdown() {}
void Start_Frame() {}
void VertexBuilder_RegisterFastFunctions(bool) {}
void VertexFormat_FreeAll() {}
void Display_ReportFPS() {}
void Text_Shutdown() {}
