// Script functions of off-screen surfaces: creating, targeting, drawing, reading back, saving,
// copying and freeing them over the renderer's surface table.
#pragma once

#include <cstdint>

// Surfaces are at most this many pixels a side.
inline constexpr int32_t kSurfaceMaxSide = 8192;

// surface_set_target for compiled code: the surface becomes the main render target.
bool F_SurfaceSetTarget(int32_t id);

// Registers the 26 surface names, and gives the buffer functions their access to surfaces.
void Surface_RegisterFunctions(uint8_t flag);
