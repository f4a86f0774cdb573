#include "functions/lifecycle.h"

#include "functions/dialogs.h"
#include "functions/ds_script.h"
#include "functions/file_functions.h"
#include "functions/ini_functions.h"
#include "world/async_queue.h"

void File_CloseAll() {
  File_CloseFiles();
  Ini_CloseOpenFile();
  // Requests still queued are not dispatched any more; their maps and records go with them, and a
  // dialog still open would outlive the runner. A save queued just before the end is still
  // written: a game that saves and then quits must not lose it.
  Dialog_Shutdown();
  Async_FinishPolledWork();
  Async_Shutdown();
}
void SetDsGridFastMode(bool checking) { DS_UseGuardedGridAccess(checking); }
