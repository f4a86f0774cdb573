#include "assets/lifecycle.h"

#include "assets/texture_pages.h"

// Sprites and fonts are not loaded yet: they have no textures to create or tables to free.
void Sprite_InitTextures() {}
void Font_InitTextures() {}
void Sprite_Shutdown() {}
void GR_Texture_Shutdown() { GR_Texture_FreeAll(); }
void Font_Shutdown() {}
