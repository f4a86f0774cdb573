// The frame's bracket (scene begin and end, present), the matrix block with the half-pixel
// correction that puts texel centres on pixel centres, and clearing the bound render targets.
#pragma once

#include <cstdint>

#include "render/matrix.h"

// The matrix block, in the order shaders receive it.
enum : int32_t {
  kMatrixView = 0,
  kMatrixProjection = 1,
  kMatrixWorld = 2,
  kMatrixWorldView = 3,
  kMatrixWorldViewProjection = 4,
};

struct GR_FrameState {
  Matrix44 matrices[5] = {Matrix_Identity(), Matrix_Identity(), Matrix_Identity(), Matrix_Identity(),
                          Matrix_Identity()};
  // Off only while a manual clear draws its quads.
  bool halfPixel = true;
  // Microseconds the last End_Frame spent presenting.
  int64_t presentTime = 0;
};
extern GR_FrameState g_GR_Frame;

// Clear flags.
inline constexpr uint32_t kClearTarget = 1;
inline constexpr uint32_t kClearDepth = 2;
inline constexpr uint32_t kClearStencil = 4;

// False without a device.
bool Start_Frame();
bool End_Frame(bool present);
// Index 0 view, 1 projection (as corrected), 2 world.
void GR_GetMatrix(int32_t index, Matrix44* out);
void GR_SetMatrix(int32_t index, const Matrix44& matrix);
// The colour is a script colour with alpha on top. Nothing without a device, with flags 0 or
// outside a scene. Adapters with unreliable clears (manual clears) get a quad on every target.
void GR_D3D_Clear(uint32_t colour, float depth, uint32_t stencil, uint32_t flags);
void GR_D3D_InitTiming();
