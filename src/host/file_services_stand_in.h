// Stand-in for the temporary-directory and save-area services that the start-up, the teardown
// and the relaunch call; the file-services module replaces this file.
#pragma once

void File_CreateTempDirectory();
void File_DeleteTempDirectory();
// Replaces the save-area prefix for the next pass.
void LoadSave_SetSavePrefix(const char* prefix);
const char* LoadSave_GetSavePrefix();
