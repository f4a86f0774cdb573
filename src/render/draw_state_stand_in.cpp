// STAND-IN: see draw_state_stand_in.h.
#include "render/draw_state_stand_in.h"

#include <algorithm>

#include "render/d3d_device.h"

namespace {
float g_alpha = 1.0f;
float g_depth = 0.0f;
bool g_cullSet = false;
GR_CullRectangle g_cull;
bool g_3d = false;
bool g_customProjection = false;
}  // namespace

float GR_GetAlpha() { return g_alpha; }
void GR_SetAlpha(float alpha) { g_alpha = std::clamp(alpha, 0.0f, 1.0f); }
float GR_GetDepth() { return g_depth; }
void GR_SetDepth(float depth) { g_depth = depth; }

void GR_UpdateCullRect() {
  if (!g_cullSet) g_cull = GR_CullRectangle{0, 0, g_D3D.screenWidth, g_D3D.screenHeight};
}

GR_CullRectangle GR_CullRect() { return g_cull; }

void GR_SetCullRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  g_cull = GR_CullRectangle{left, top, right, bottom};
  g_cullSet = true;
}

bool GR_Is3DMode() { return g_3d; }
void GR_Set3DMode(bool on) { g_3d = on; }
bool GR_IsCustomProjection() { return g_customProjection; }
void GR_SetCustomProjection(bool on) { g_customProjection = on; }

void GR_ResetDrawState() {
  g_3d = false;
  g_customProjection = false;
  g_alpha = 1.0f;
  g_depth = 0.0f;
  g_cullSet = false;
}
