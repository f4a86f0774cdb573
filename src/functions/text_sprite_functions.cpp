#include "functions/text_sprite_functions.h"

void TextSprite_RegisterFunctions(uint8_t) {}
