#include "render/frame_services.h"

ShaderErrorContext Shader_ErrorContext;

// Particles and the overlay's timing bars are not built yet.
void ParticleSystem_UpdateAll() {}
void DebugOverlay_BeginTiming(const char*, uint32_t) {}
void DebugOverlay_EndTiming() {}
void VertexFormat_Reset() {}
