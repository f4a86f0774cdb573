// What the frame loop uses of audio.
#pragma once

#include <cstdint>

// The per-frame audio tick (the legacy hardware's, then the audio engine's).
void SoundTick();
// Stops every voice (mode 1).
void Audio_StopAll(int32_t mode);
