#include "audio/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no legacy sound is loaded yet.
namespace {
bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}
}  // namespace

void Sound_DeleteAll() {}
bool Sound_Init(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Sound_Init", size); }
bool Wave_Init(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Wave_Init", size); }
void Sound_OnOptionsLoaded(const IniFile*) {}
