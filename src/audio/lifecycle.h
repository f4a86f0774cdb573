// What the host uses of audio: the no-audio switch and the steps after the main loop.
#pragma once

// Set by "-noaudio": the audio engine and the legacy sound functions then do nothing.
extern bool Audio_NoAudio;

// Before the first room: starts the legacy sound hardware, prepares the sounds (false when they
// cannot be) and the audio engine.
void Sound_InitHardware();
bool Sound_Prepare();
void Audio_Prepare();
// Stops the legacy sound hardware after the main loop.
void Sound_QuitHardware();
// Deletes every legacy sound at teardown.
void Sound_Shutdown();
