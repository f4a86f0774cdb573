#include "audio/lifecycle.h"

bool Audio_NoAudio = false;

// No legacy sound is loaded yet.
void Sound_Shutdown() {}
