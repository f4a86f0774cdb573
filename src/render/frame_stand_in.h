// STAND-IN until the render-state setters, the viewport and view, the frame begin and end, the
// clear and the matrices are built (and surfaces and the debug overlay's frame): the least of
// each that the device, the state cache and the batcher call. Each does what its name says on the device, without the bookkeeping of its own issue.
#pragma once

#include <cstdint>

// The logical state the setters keep beside the state cache; CRenderStateManager::Reset sets it.
struct GR_LogicalState {
  bool perspective = true;
  bool hidden = true;
  bool fog = false;
  uint32_t fogColour = 0;
  float fogStart = 0.0f;
  float fogEnd = 1.0f;
  bool interpolate[8] = {true, true, true, true, true, true, true, true};
  bool repeat[8] = {};
  bool threeD = false;  // three-dimensional mode
};
extern GR_LogicalState g_RenderLogical;

void GR_SetFog(bool on, uint32_t colour, int32_t start, int32_t end);
void GR_SetTextureInterpolation(bool on);
void GR_SetTextureRepeat(bool on);
bool GR_GetTextureRepeat();

// Viewport (flushes first), view and screen size.
void GR_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void GR_SetView(float x, float y, float width, float height, float angle);
void GR_SetScreenSize(int32_t width, int32_t height);
// The world matrix becomes the identity.
void GR_SetWorldIdentity();
// Clears the bound targets (flags as the device's: 1 target, 2 depth, 4 stencil).
void GR_D3D_Clear(uint32_t flags, uint32_t colour, float depth, uint32_t stencil);

// On entering a room: the screen effects end, and the window and views take the room's size.
void Effect_Clear();
void Room_SizeWindow();

// Frees every surface (they are made again by their owners on next use).
void Surface_FreeAll();
// The debug overlay's frame.
void DebugOverlay_FrameBegin();
void DebugOverlay_FrameEnd();
