#include "audio/sound_hardware.h"

#include <AL/al.h>
#include <AL/alut.h>

#include <memory>

#include "audio/audio_engine.h"
#include "audio/lifecycle.h"
#include "audio/sound_device.h"
#include "core/console.h"

namespace {
std::unique_ptr<SoundHardware> g_hardware;
bool g_initialised = false;
bool g_alutStarted = false;
}  // namespace

void SoundHardware_CheckErrors() {
  const ALenum alError = alGetError();
  if (alError != AL_NO_ERROR) Console_DebugOutput("AL Error : %08x(%d)\n", alError, alError);
  if (!g_alutStarted) return;
  const ALenum alutError = alutGetError();
  if (alutError != ALUT_ERROR_NO_ERROR) Console_DebugOutput("ALUT Error : %s\n", alutGetErrorString(alutError));
}

void SoundHardware::Init() {
  if (Audio_NoAudio) return;
  g_initialised = true;
  // ALUT only decodes here: the device is ours, so that a machine without a sound card still
  // gets one.
  g_alutStarted = alutInitWithoutContext(nullptr, nullptr) == AL_TRUE;
  SoundDevice_Open();
  SoundHardware_CheckErrors();
}

void SoundHardware::Quit() {
  if (Audio_NoAudio || !g_initialised) return;
  Audio_Quit();
  if (g_alutStarted) alutExit();
  g_alutStarted = false;
  SoundDevice_Close();
  g_initialised = false;
}

void SoundHardware::Tick() {
  if (Audio_NoAudio) return;
  Audio_CheckALError("SoundHardware::Tick");
}

void Sound_InitHardware() {
  g_hardware = std::make_unique<SoundHardware>();
  g_hardware->Init();
  Audio_Init();
}

void SoundTick() {
  if (Audio_NoAudio) return;
  if (g_hardware != nullptr) g_hardware->Tick();
  Audio_Tick();
}

bool Sound_QuitHardware() {
  if (g_hardware != nullptr) {
    g_hardware->Quit();
    g_hardware.reset();
  }
  return true;
}
