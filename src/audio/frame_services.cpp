#include "audio/frame_services.h"

// No sound hardware is opened yet: nothing plays, so there is nothing to tick or stop.
void SoundTick() {}
void Audio_StopAll(int32_t) {}
