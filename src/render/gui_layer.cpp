#include "render/gui_layer.h"

#include <cmath>

#include "io/window_services.h"
#include "io/display.h"
#include "render/frame.h"
#include "render/render_setters.h"

GUIState g_GUI;

void GR_ComputeGUITransform(float* sx, float* sy, float* ox, float* oy) {
  const float ww = static_cast<float>(Display_Size.width);
  const float wh = static_cast<float>(Display_Size.height);
  if (g_GUI.maximise) {
    *sx = g_GUI.maximiseXScale;
    *sy = g_GUI.maximiseYScale;
    *ox = -std::floor(ww / 2);
    *oy = -std::floor(wh / 2);
    if (g_GUI.maximiseXOffset != kGUIOffsetUnset) *ox += static_cast<float>(g_GUI.maximiseXOffset);
    if (g_GUI.maximiseYOffset != kGUIOffsetUnset) *oy += static_cast<float>(g_GUI.maximiseYOffset);
  } else {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    Window_GetAppSurfaceRect(&left, &top, &right, &bottom);
    const float iw = static_cast<float>(right - left);
    const float ih = static_cast<float>(bottom - top);
    *sx = Display_GuiSize.width > 0 ? iw / static_cast<float>(Display_GuiSize.width) : 1.0f;
    *sy = Display_GuiSize.height > 0 ? ih / static_cast<float>(Display_GuiSize.height) : 1.0f;
    *ox = -std::floor(iw / 2);
    *oy = -std::floor(ih / 2);
  }
  // A zero factor would make the inverse meaningless; the layer is then drawn unscaled.
  if (*sx == 0) *sx = 1.0f;
  if (*sy == 0) *sy = 1.0f;
  Matrix44 view;
  view.m[0] = *sx;
  view.m[5] = *sy;
  view.m[10] = 1;
  view.m[12] = *ox;
  view.m[13] = *oy;
  view.m[14] = 1;
  view.m[15] = 1;
  g_GUI.view = view;
  Matrix44 inverse;
  inverse.m[0] = 1 / *sx;
  inverse.m[5] = 1 / *sy;
  inverse.m[10] = 1;
  inverse.m[12] = -(ww / 2 + *ox) / *sx;
  inverse.m[13] = -(wh / 2 + *oy) / *sy;
  inverse.m[14] = -1;
  inverse.m[15] = 1;
  g_GUI.inverse = inverse;
}

void GR_SetGUIView() {
  float sx = 1, sy = 1, ox = 0, oy = 0;
  GR_ComputeGUITransform(&sx, &sy, &ox, &oy);
  GR_SetMatrix(kMatrixView, g_GUI.view);
  const float ww = static_cast<float>(Display_Size.width);
  const float wh = static_cast<float>(Display_Size.height);
  GR_ViewState& v = g_GR_View;
  v.boundsLeft = static_cast<int32_t>(std::floor((-ww / 2 - ox) / sx));
  v.boundsRight = static_cast<int32_t>(std::ceil((ww / 2 - ox) / sx));
  v.boundsTop = static_cast<int32_t>(std::floor((-wh / 2 - oy) / sy));
  v.boundsBottom = static_cast<int32_t>(std::ceil((wh / 2 - oy) / sy));
  GR_InvalidateCullRect();
}

void GR_SetGUIProjection() {
  GR_SetViewport(0, 0, Display_Size.width, Display_Size.height);
  Matrix44 projection;
  Matrix_OrthoLH(&projection, static_cast<float>(Display_Size.width), -static_cast<float>(Display_Size.height), 1.0f,
                 32000.0f);
  GR_SetMatrix(kMatrixProjection, projection);
  GR_SetGUIView();
}

void GR_SetGUISize(int32_t width, int32_t height) {
  Display_GuiSize = DisplayExtent{width, height};
  g_GUI.maximise = false;
  GR_SetGUIView();
}

void GR_SetGUIMaximise(float xScale, float yScale, int64_t xOffset, int64_t yOffset) {
  g_GUI.maximise = true;
  g_GUI.maximiseXScale = xScale;
  g_GUI.maximiseYScale = yScale;
  g_GUI.maximiseXOffset = xOffset;
  g_GUI.maximiseYOffset = yOffset;
  GR_SetGUIView();
}
