#include "assets/lifecycle.h"

#include "assets/texture_pages.h"

// Sprites and backgrounds are not loaded yet: they have no textures to create or tables to free.
void Background_InitTextures() {}
void Sprite_InitTextures() {}
void Sprite_Shutdown() {}
void Background_Shutdown() {}
void GR_Texture_Shutdown() { GR_Texture_FreeAll(); }
