#include "audio/lifecycle.h"

bool Audio_NoAudio = false;

// No legacy sound is loaded yet.
bool Sound_Prepare() { return true; }
void Sound_Shutdown() {}
