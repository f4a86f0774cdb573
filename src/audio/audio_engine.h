// The audio engine: sound records, the numbering of ids, loading the container's sounds, start-up,
// the per-frame tick and shutdown, and the voices that play sounds on a fixed pool of sources.
//
// One integer names a sound of any kind: 0.. asset count - 1 an asset, 100000 + i a buffer sound,
// 200000 + i a play queue, 300000 + i a stream, and 400000 and above one playing voice.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/container.h"

inline constexpr int32_t AUDIO_VOICE_ID_BASE = 400000;
inline constexpr int32_t AUDIO_BUFFER_SOUND_BASE = 100000;
inline constexpr int32_t AUDIO_QUEUE_BASE = 200000;
inline constexpr int32_t AUDIO_STREAM_BASE = 300000;

class CAudioEmitter;
struct CAudioVoice;

// One record per asset, buffer sound, play queue and stream.
struct CAudioSound {
  ~CAudioSound();
  CAudioSound() = default;
  CAudioSound(const CAudioSound&) = delete;
  CAudioSound& operator=(const CAudioSound&) = delete;

  // Fills the record from a SOND entry (the entry's 36 bytes; texts already read).
  void LoadFromChunk(const char* fileName, int32_t kindCode, float volume, int32_t group, int32_t audoIndex);
  // Makes the sound playable when it belongs to the group (or no groups exist).
  static void Prepare(CAudioSound* sound, int32_t group);

  char* fileName = nullptr;
  float gain = 1.0f;
  float pitch = 1.0f;
  const uint8_t* embedded = nullptr;  // {u32 length, bytes} inside the container
  int32_t bufferIndex = -1;
  int32_t audoIndex = -1;
  int32_t alBuffer = -1;  // -1 fresh, 0 loaded but unprepared, else the OpenAL buffer
  float fadeStep = 0.0f;
  int32_t fadeStepsLeft = 0;
  bool streamed = false;
  bool compressed = false;
  bool decodeOnLoad = false;
  const uint8_t* compressedData = nullptr;
  int32_t compressedSize = 0;
  char* streamedPath = nullptr;
  float length = 0.0f;  // -1 unknown
  int32_t sampleRate = 0;
  int32_t channels = 1;
  int64_t totalSamples = 0;
  float startPosition = 0.0f;
  int32_t group = 0;
  int32_t queueFormat = 0;
  int32_t queueChannels = 0;
  CAudioVoice* queueVoice = nullptr;
  bool isQueue = false;
};

// One playing instance of a sound on one source; voice i uses source i.
struct CAudioVoice {
  bool loop = false;
  bool active = false;
  int32_t stopCountdown = 0;
  bool ogg = false;
  bool stopped = false;
  int32_t sourceIndex = -1;
  int32_t voiceId = 0;
  int32_t soundId = -1;
  float priority = 1.0f;
  float pitch = 1.0f;
  float gain = 1.0f;
  float fadeStep = 0.0f;
  int32_t fadeStepsLeft = 0;
  int32_t listenerMask = 1;
  CAudioEmitter* emitter = nullptr;
};

// The engine's state; one instance lives from start-up to exit.
struct AudioEngine {
  bool engineOn = false;  // the game option for the new audio engine; cleared by -noaudio
  std::vector<uint32_t> sources;
  int32_t voiceLimit = 127;
  int32_t nextVoiceId = AUDIO_VOICE_ID_BASE + 1;
  int32_t listenerMask = 1;
  int32_t debugView = 0;
  std::vector<std::unique_ptr<CAudioSound>> assets;
  std::vector<std::unique_ptr<CAudioSound>> bufferSounds;
  std::vector<std::unique_ptr<CAudioSound>> queues;
  std::vector<std::unique_ptr<CAudioSound>> streams;
  std::vector<std::unique_ptr<CAudioVoice>> voices;
  std::vector<std::unique_ptr<char[]>> names;
};
extern AudioEngine g_Audio;

// Set from the game options before the hardware starts (the host knows the options).
void Audio_SetEngineOn(bool on);

// Container chunks; each false (with the load failure reported) when the chunk is damaged.
bool Audio_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Audio_WAVs(uint8_t* body, uint32_t size, const ContainerBytes& base, int32_t group);
bool AudioGroup_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

void Audio_Init();
void Audio_CreateSources(int32_t n);
void Audio_Prepare();
void Audio_Tick();
void Audio_SetChannelCount(int32_t n);
void Audio_Quit();

CAudioSound* Audio_GetSound(int32_t id);
bool Audio_Exists(int32_t id);
int32_t Audio_GetType(int32_t id);
const char* Audio_GetName(int32_t id);
const char* Audio_Name(int32_t index);
int32_t Audio_Number();
int32_t Audio_Find(const char* name);
bool Audio_UsingNewAudio();
void Audio_SetDebug(bool on);
void Audio_SetSyncGroupDebug(int32_t group);
// Logs a pending OpenAL error; true when there was one.
bool Audio_CheckALError(const char* text);

// Voices.
int32_t Audio_PlaySimpleSound(int32_t soundId, double priority, int32_t loop);
int32_t Audio_PlaySoundAt(int32_t soundId, double x, double y, double z, double falloffRef, double falloffMax,
                          double falloffFactor, int32_t loop, double priority);
int32_t Audio_PlaySound(int32_t emitter, int32_t soundId, int32_t loop, double priority);
CAudioVoice* Audio_AllocVoice(int32_t soundId, float priority);
bool Audio_StartVoice(CAudioSound* sound, CAudioVoice* voice);
void Audio_StopVoice(CAudioVoice* voice, bool immediate);
void Audio_ReleaseVoice(CAudioVoice* voice);
CAudioVoice* Audio_FindVoice(int32_t voiceId);
CAudioVoice* Audio_FindQueueVoice(int32_t queueId);
bool Audio_VoiceIsPlaying(const CAudioVoice* voice);
bool Audio_VoiceIsPaused(const CAudioVoice* voice);

void Audio_StopSound(int32_t id);
void Audio_StopAll(int32_t immediate);
void Audio_StopGroup(int32_t group);
void Audio_PauseSound(int32_t id);
void Audio_ResumeSound(int32_t id);
void Audio_PauseAll();
void Audio_ResumeAll();
bool Audio_IsPlaying(int32_t id);
bool Audio_IsPaused(int32_t id);
void Audio_SetSoundGain(int32_t id, float gain, int32_t timeMs);
float Audio_GetGain(int32_t id);
void Audio_SetGroupGain(int32_t group, float gain, int32_t timeMs);
void Audio_SetPitch(int32_t id, float pitch);
float Audio_GetPitch(int32_t id);
float Audio_GetLength(int32_t id);
void Audio_SetTrackPosition(int32_t id, float seconds);
float Audio_GetTrackPos(int32_t id);
int32_t Audio_GetVoiceListenerMask(int32_t voiceId);
void Audio_SetVoiceListenerMask(int32_t voiceId, int32_t mask);
bool Audio_NoVoiceInGroup(int32_t group);
void Audio_ApplyVoiceGain(CAudioVoice* voice);
void Audio_ApplySoundGain(int32_t soundId);
void Audio_SetVoiceGain(CAudioVoice* voice, float gain, int32_t timeMs);
float Audio_GetSoundBaseGain(int32_t soundId);

// Replaces the asset name table (no sounds): for looking names up without a container.
void Audio_SetNames(const char* const* names, int32_t count);
