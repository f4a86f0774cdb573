// The sound hardware the runner starts at PrepareGame, ticks every frame and stops at exit. It
// opens the device and starts the audio engine; the legacy sound system plays through it too.
#pragma once

class SoundHardware {
 public:
  void Init();
  void Quit();
  void Tick();

  float masterVolume = 1.0f;
};

// Creates the hardware, starts it, then the audio engine.
void Sound_InitHardware();
// Once a frame, before the game step.
void SoundTick();
// Stops the engine and the hardware; true.
bool Sound_QuitHardware();
// Logs a pending OpenAL error and a pending ALUT error.
void SoundHardware_CheckErrors();
