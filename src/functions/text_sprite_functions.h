// Script functions that draw text, sprites and backgrounds and answer for textures.
#pragma once

#include <cstdint>

// Registers the text, sprite, background and texture names.
void TextSprite_RegisterFunctions(uint8_t flag);
