// What the host uses of audio: the no-audio switch and the steps after the main loop.
#pragma once

// Set by "-noaudio": the audio engine and the legacy sound functions then do nothing.
extern bool Audio_NoAudio;

// Stops the legacy sound hardware after the main loop.
void Sound_QuitHardware();
// Deletes every legacy sound at teardown.
void Sound_Shutdown();
