// The sizes the renderer works at, as the window services and the input overlay read them.
#pragma once

#include <cstdint>

struct DisplayExtent {
  int32_t width = 0;
  int32_t height = 0;
};

// The size the renderer works at; set at device creation and reset.
extern DisplayExtent Display_Size;
// The application surface: the game image.
extern DisplayExtent Display_AppSurfaceSize;
// The GUI size of display_set_gui_size; -1 when unset.
extern DisplayExtent Display_GuiSize;
// The keep-aspect display option.
extern bool Display_KeepAspect;
// The multisample counts the device supports, as bits 2, 4, 8 and 16 (display_aa).
extern uint32_t Display_SupportedSamples;
