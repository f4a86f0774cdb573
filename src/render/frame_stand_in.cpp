// STAND-IN: see frame_stand_in.h.
#include "render/frame_stand_in.h"


namespace {
Shader* g_currentShader = nullptr;
}  // namespace

int32_t g_ShaderMatrixUploads = 0;

Shader* Shader_GetCurrent() { return g_currentShader; }
void Shader_MakeCurrent(Shader* shader) { g_currentShader = shader; }
void Shader_UploadMatrices(const Matrix44*) {
  if (g_currentShader != nullptr) ++g_ShaderMatrixUploads;
}
