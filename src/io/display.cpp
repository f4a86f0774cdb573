#include "io/display.h"

DisplayExtent Display_Size;
DisplayExtent Display_AppSurfaceSize;
DisplayExtent Display_GuiSize = {-1, -1};
bool Display_KeepAspect = false;
uint32_t Display_SupportedSamples = 0;
