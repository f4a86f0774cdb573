#include "assets/lifecycle.h"

#include "assets/texture_pages.h"

// Backgrounds are not loaded yet: they have no textures to create or tables to free.
void Background_InitTextures() {}
void Background_Shutdown() {}
void GR_Texture_Shutdown() { GR_Texture_FreeAll(); }
