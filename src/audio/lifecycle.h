// What the host uses of audio: the no-audio switch and the steps of start-up and teardown.
#pragma once

#include "audio/audio_engine.h"
#include "audio/sound_hardware.h"

// Set by "-noaudio": the audio engine and the legacy sound functions then do nothing.
extern bool Audio_NoAudio;

// Prepares the preloaded legacy sounds; false when they cannot be.
bool Sound_Prepare();
// Deletes every legacy sound at teardown.
void Sound_Shutdown();
