#include "assets/lifecycle.h"

#include "assets/texture_pages.h"

void GR_Texture_Shutdown() { GR_Texture_FreeAll(); }
