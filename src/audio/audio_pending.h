// STAND-IN until emitters and the listener, buffer sounds and play queues, Ogg decoding and
// streaming, and audio groups are built: the engine reaches them through these calls only.
// There are no emitters, the listener stays as Audio_Init set it, the buffer-sound, queue, stream
// and recorder tables stay empty, Ogg sounds neither decode nor play, and of the audio groups only
// group 0 is loaded (the AGRP names are kept).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CAudioSound;
struct CAudioVoice;

// Audio groups.
class CAudioGroupTable {
 public:
  static void Create(int32_t count);
  static int32_t Count();
  static void SetName(int32_t group, const char* name);
  static const char* Name(int32_t group);
  static void Destroy();
};
bool AudioGroup_IsLoaded(int32_t group);
void AudioGroup_Tick();
void AudioGroup_BindSounds();
void AudioGroup_Shutdown();

// Ogg channels.
class COggAudio {
 public:
  static void CreateThreads(int32_t threads, int32_t sources);
  static void Shutdown();
  static void Tick();
  // The channel's number, -1 when nothing plays.
  static int32_t PlaySound(uint32_t source, CAudioSound* sound, bool loop, float start, int32_t mask, int32_t syncGroup);
  static void StopChannel(uint32_t source);
  static void PauseChannel(uint32_t source);
  static void ResumeChannel(uint32_t source);
  static void SetChannelPosition(uint32_t source, float seconds);
  static bool ReadInfo(CAudioSound* sound);
  static bool DecompressOgg(CAudioSound* sound, const uint8_t* data, int32_t size, uint32_t* buffer);
  static void SetSyncGroupDebug(int32_t group);
};

// Emitters and the listener.
class CAudioEmitter {
 public:
  float gain = 1.0f;
  float pitch = 1.0f;
  std::vector<CAudioVoice*> voices;
};
// The emitter of an index, null when out of range or inactive.
CAudioEmitter* AudioEmitter_Get(int32_t index);
void AudioEmitter_Tick();
void AudioEmitter_ForgetVoices();
void AudioEmitter_Detach(CAudioVoice* voice);
void AudioListener_Create();
void AudioListener_Apply();

// Buffer sounds, queues, recorders.
void Audio_ReleaseQueuedBuffers(CAudioVoice* voice, int32_t soundId, bool shutdown);
void AudioRecorder_Tick();
void AudioQueue_Tick();
