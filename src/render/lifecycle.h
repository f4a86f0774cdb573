// What the host uses of rendering at start-up and teardown, and the rendering switches that the
// command line and "options.ini" set.
#pragma once

#include <cstdint>

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

void GR_InitCirclePrecision();
int32_t GR_GetCirclePrecision();

void Particle_Reset();
void Particle_CreateShapeTextures();
void Particle_Shutdown();

// Switches the display mode; -1 (or a value below 1) leaves that value unchanged.
void Display_SetAll(int32_t width, int32_t height, int32_t frequency, int32_t depth);
// Creates the device for the main window; start-up goes on when it fails.
bool GR_D3D_Init(void* window, int32_t width, int32_t height, uint32_t displayFlags);
void GR_D3D_Shutdown();
void Start_Frame();

// Registers the argument-checking vertex_* handlers (true) or their fast variants (false).
void VertexBuilder_RegisterFastFunctions(bool checking);
void VertexFormat_FreeAll();
void Display_ReportFPS();
void Text_Shutdown();
