// What the host uses of audio: the no-audio switch and the steps of start-up and teardown.
#pragma once

#include "audio/sound_hardware.h"

// Set by "-noaudio": the audio engine and the legacy sound functions then do nothing.
extern bool Audio_NoAudio;

// Deletes every legacy sound at teardown.
void Sound_Shutdown();
