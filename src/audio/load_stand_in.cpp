#include "audio/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no sound is loaded yet.
namespace {
bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}
}  // namespace

void Sound_DeleteAll() {}
bool Audio_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Audio_Load", size); }
bool Sound_Init(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Sound_Init", size); }
bool Audio_WAVs(uint8_t*, uint32_t size, const ContainerBytes&, int32_t) { return Accept("Audio_WAVs", size); }
bool Wave_Init(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Wave_Init", size); }
bool AudioGroup_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("AudioGroup_Load", size); }
void Sound_OnOptionsLoaded(const IniFile*) {}
void InitSoundFunctions() {}
