#include "net/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no extension is loaded yet.
bool Extension_Load(uint8_t*, uint32_t size, const ContainerBytes&) {
  Console_DebugOutput("Extension_Load: %u bytes accepted, nothing kept yet\n", size);
  return true;
}

void OS_SetOrientations(bool, bool, bool, bool) {}

void InitNetworkingFunctions() {}
void InitSteamFunctions() {}
void InitPushFunctions() {}
void InitWexaFunctions() {}
void InitWin8Functions() {}
