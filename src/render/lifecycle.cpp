#include "render/lifecycle.h"

GR_StartupFlagsRecord GR_StartupFlags;
int32_t Debug_OverlayFlags = 0;

// Vertex builders are not built yet: there is nothing to register or free.
void VertexBuilder_RegisterFastFunctions(bool) {}
void VertexFormat_FreeAll() {}
