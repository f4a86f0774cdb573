// What the host uses of rendering at start-up and teardown, and the rendering switches that the
// command line and "options.ini" set.
#pragma once

#include <cstdint>

// The device, its start-up and shutdown, and the display functions (Display_SetAll, Display_ReportFPS).
#include "render/d3d_device.h"
// Start_Frame.
#include "render/frame.h"
// The circle precision set at start-up.
#include "render/primitives.h"

struct GR_StartupFlagsRecord {
  // 0 single buffer, 1 buffer pool, 2 no vertex buffers.
  int32_t vertexBufferMethod = 0;
  // Set by "-multivb" and "-novb": "options.ini" then leaves the method alone.
  bool vertexBufferMethodSet = false;
  // "-novb" was given; it keeps the method at 2 even when "-multivb" follows.
  bool noVertexBuffers = false;
  bool alternateSync = false;
  bool alternateSyncSet = false;  // "-manualvsync": "options.ini" leaves the flag alone
  bool softwareVertexProcessing = false;
  bool manualClear = false;       // the clears normally forced for Intel adapters
  bool noAdapterDetection = false;
};
extern GR_StartupFlagsRecord GR_StartupFlags;

inline constexpr int32_t kDebugOverlayShow = 0x2;
inline constexpr int32_t kDebugOverlayAudio = 0x10;
extern int32_t Debug_OverlayFlags;

void Particle_Reset();
void Particle_CreateShapeTextures();
void Particle_Shutdown();

void VertexFormat_FreeAll();
void Text_Shutdown();
