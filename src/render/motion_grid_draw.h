// Drawing a motion grid: its cells as filled rectangles, red where forbidden and green where free.
#pragma once

#include <cstdint>

// Column by column, each cell in the current drawing alpha; nothing for an unknown id.
void MPGrid_Draw(int32_t id);
