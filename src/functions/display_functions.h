// Script functions that query and change the display, the game window and the mouse.
#pragma once

#include <cstdint>

// Vector-sprite anti-aliasing that draw_enable_swf_aa and draw_set_swf_aa_level set: off and 1.0
// at start, the level kept within 0..1.
struct VectorAntiAliasState {
  bool enabled = false;
  float level = 1.0f;
};
extern VectorAntiAliasState g_VectorAntiAlias;

// Asks for a device reset at the start of the next frame; a window size still waiting for its
// countdown is applied by that reset.
void Display_RequestReset();

// Registers the display, window and mouse names.
void Display_RegisterFunctions(uint8_t flag);
