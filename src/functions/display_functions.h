// Script functions that query and change the display, the game window and the mouse.
#pragma once

#include <cstdint>

// Registers the display, window and mouse names.
void Display_RegisterFunctions(uint8_t flag);
