#include "audio/lifecycle.h"

bool Audio_NoAudio = false;

// No sound hardware is opened yet and no sound is loaded.
void Sound_InitHardware() {}
bool Sound_Prepare() { return true; }
void Audio_Prepare() {}
void Sound_QuitHardware() {}
void Sound_Shutdown() {}
