#include "assets/lifecycle.h"

#include "assets/load_stand_in.h"

// No asset is loaded yet, so there are no textures to create and no tables to free.
void Background_InitTextures() {}
void Sprite_InitTextures() {}
void Font_InitTextures() {}
void Sprite_Shutdown() {}
void Background_Shutdown() {}
void GR_Texture_Shutdown() { GR_Texture_FreeAll(); }
void Font_Shutdown() {}
