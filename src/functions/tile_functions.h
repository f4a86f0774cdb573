// Script functions of the current room's tiles.
#pragma once

#include <cstdint>

// Registers the 35 tile names.
void Tile_RegisterFunctions(uint8_t flag);
