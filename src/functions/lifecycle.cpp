#include "functions/lifecycle.h"

#include "functions/file_functions.h"
#include "functions/ini_functions.h"

// The script-function groups are not built yet: no table, file slot or handler exists.
void Score_Init() {}
void Score_Save() {}
void File_CloseAll() {
  File_CloseFiles();
  Ini_CloseOpenFile();
}
void SetDsGridFastMode(bool) {}
