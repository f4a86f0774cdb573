#include "audio/lifecycle.h"

bool Audio_NoAudio = false;

// No sound hardware is opened yet and no sound is loaded.
void Sound_QuitHardware() {}
void Sound_Shutdown() {}
