#include "render/frame_services.h"

ShaderErrorContext Shader_ErrorContext;

// The renderer is not built yet: there is no device, no window in full screen, nothing to draw
// and no overlay; a device reset has nothing to restore and succeeds.
void End_Frame(bool) {}
void DrawRoom() {}
void ParticleSystem_UpdateAll() {}
void GR_D3D_ResizeWindow() {}
bool GR_D3D_ResetAndRestore() { return true; }
void GR_D3D_ExitFullScreen() {}
void DebugOverlay_BeginTiming(const char*, uint32_t) {}
void DebugOverlay_EndTiming() {}
void Text_ResetState() {}
void VertexFormat_Reset() {}
void CRenderStateManager::Reset() {}
