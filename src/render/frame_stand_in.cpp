// STAND-IN: see frame_stand_in.h.
#include "render/frame_stand_in.h"

#include "render/d3d_device.h"
#include "render/overlay_draw.h"

namespace {
Shader* g_currentShader = nullptr;
}  // namespace

int32_t g_ShaderMatrixUploads = 0;

Shader* Shader_GetCurrent() { return g_currentShader; }
void Shader_MakeCurrent(Shader* shader) { g_currentShader = shader; }
void Shader_UploadMatrices(const Matrix44*) {
  if (g_currentShader != nullptr) ++g_ShaderMatrixUploads;
}

// No screen effect is drawn yet, and the window keeps the size the start-up gave it: views and
// the window follow the room once the room redraw is built.
void Effect_Clear() {}
void DebugOverlay_FrameBegin() {}
void DebugOverlay_FrameEnd() { DebugOverlay_AdvanceFrame(); }
void Display_ReportFPS() {}
