// The GUI layer: window coordinates for the GUI draw events, scaled to the GUI size a game sets
// (display_set_gui_size) or by its own factors (display_set_gui_maximise).
#pragma once

#include <cstdint>

#include "render/matrix.h"

inline constexpr int64_t kGUIOffsetUnset = int64_t{1} << 31;

struct GUIState {
  bool maximise = false;
  float maximiseXScale = 1.0f;
  float maximiseYScale = 1.0f;
  int64_t maximiseXOffset = kGUIOffsetUnset;
  int64_t maximiseYOffset = kGUIOffsetUnset;
  Matrix44 view = Matrix_Identity();
  Matrix44 inverse = Matrix_Identity();  // window coordinates into GUI coordinates
  bool inGUI = false;                     // on while the GUI draw events run
};
extern GUIState g_GUI;

// The scale and offset of the GUI view; also fills g_GUI's view matrix and its inverse.
void GR_ComputeGUITransform(float* sx, float* sy, float* ox, float* oy);
// The GUI view matrix as the view, and the view bounds to the window's edges in GUI coordinates.
void GR_SetGUIView();
// Whole-window viewport, window-sized orthographic projection, then the GUI view.
void GR_SetGUIProjection();
// display_set_gui_size and display_set_gui_maximise.
void GR_SetGUISize(int32_t width, int32_t height);
void GR_SetGUIMaximise(float xScale, float yScale, int64_t xOffset, int64_t yOffset);
