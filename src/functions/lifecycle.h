// What the host calls of the script-function groups at start-up and teardown.
#pragma once

// Sets the high-score table to its empty entries.
void Score_Init();
// Writes "hiscore.dat" into the save area when the table changed.
void Score_Save();
// Closes every open script file slot.
void File_CloseAll();
// Registers the argument-checking ds_grid_set and ds_grid_get handlers (true) or the fast ones.
void SetDsGridFastMode(bool checking);
