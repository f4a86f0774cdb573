#include "core/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no script table exists yet.
void Script_Init() {}
bool Script_Load(uint8_t*, uint32_t size, const ContainerBytes&) {
  Console_DebugOutput("Script_Load: %u bytes accepted, nothing kept yet\n", size);
  return true;
}
