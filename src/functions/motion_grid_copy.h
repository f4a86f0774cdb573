// Copying a motion grid's cells into a ds_grid of the same size.
#pragma once

#include <cstdint>

// Cell (i, j) of the ds_grid becomes the real 0 or -1 of the motion grid's cell. An unknown grid
// or ds_grid reports "Invalid source or destination grid", and grids of different sizes report
// "Error, grid sizes do not match (mp_grid_to_ds_grid) " (neither fatal); either copies nothing.
void MPGrid_ToDsGrid(int32_t source, int32_t destination);
