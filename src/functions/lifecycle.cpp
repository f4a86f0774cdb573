#include "functions/lifecycle.h"

#include "functions/file_functions.h"
#include "functions/ini_functions.h"
#include "net/async_queue.h"

// The script-function groups are not built yet: no table, file slot or handler exists.
void Score_Init() {}
void Score_Save() {}
void File_CloseAll() {
  File_CloseFiles();
  Ini_CloseOpenFile();
  // Requests still queued are not dispatched any more; their maps and records go with them.
  Async_Shutdown();
}
void SetDsGridFastMode(bool) {}
