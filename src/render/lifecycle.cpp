#include "render/lifecycle.h"

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
bool GR_D3D_Init(void*, int32_t, int32_t, uint32_t) { return false; }
void GR_D3D_Shutdown() {}
void Start_Frame() {}
void VertexBuilder_RegisterFastFunctions(bool) {}
void VertexFormat_FreeAll() {}
void Display_ReportFPS() {}
void Text_Shutdown() {}
