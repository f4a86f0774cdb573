// Script functions of the draw state, colours, shapes and primitives.
#pragma once

#include <cstdint>

// Registers the draw-state, colour, shape and primitive names.
void Draw_RegisterFunctions(uint8_t flag);
