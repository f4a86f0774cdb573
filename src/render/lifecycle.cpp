#include "render/lifecycle.h"

GR_StartupFlagsRecord GR_StartupFlags;
int32_t Debug_OverlayFlags = 0;

// Particles and vertex builders are not built yet: there is nothing to create, register or free.
void Particle_Reset() {}
void Particle_CreateShapeTextures() {}
void Particle_Shutdown() {}
void VertexBuilder_RegisterFastFunctions(bool) {}
void VertexFormat_FreeAll() {}
