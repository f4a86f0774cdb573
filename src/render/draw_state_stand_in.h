// STAND-IN until the draw colour, the 3-D depth and the view's cull rectangle are built: the
// draw alpha, the 2-D depth and the visible world rectangle that the quad emitters read.
#pragma once

#include <cstdint>

// The draw alpha, 0..1 (1 at start).
float GR_GetAlpha();
void GR_SetAlpha(float alpha);
// The z that two-dimensional vertices get (0 at start).
float GR_GetDepth();
void GR_SetDepth(float depth);

// The visible world rectangle, in whole room units.
struct GR_CullRectangle {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};
// Brings the rectangle up to date (the stand-in keeps the screen, or what was set).
void GR_UpdateCullRect();
GR_CullRectangle GR_CullRect();
void GR_SetCullRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Whether 3-D mode is on, and whether a custom projection (not the view's) is in use: either
// stops sprites from being culled against the rectangle.
bool GR_Is3DMode();
void GR_Set3DMode(bool on);
bool GR_IsCustomProjection();
void GR_SetCustomProjection(bool on);
// Back to the screen-sized rectangle, alpha 1, depth 0, 3-D mode off and the view's projection.
void GR_ResetDrawState();
