#include "render/lifecycle.h"

GR_StartupFlagsRecord GR_StartupFlags;
int32_t Debug_OverlayFlags = 0;
