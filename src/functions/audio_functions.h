// The audio engine's script functions (audio_...).
#pragma once

// Registers them in the built-in table.
void InitSoundFunctions();
