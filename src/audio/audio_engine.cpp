#include "audio/audio_engine.h"

#include <AL/al.h>
#include <AL/alut.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "audio/audio_pending.h"
#include "audio/lifecycle.h"
#include "core/console.h"
#include "core/name_index.h"

AudioEngine g_Audio;

namespace {

// Of repeated names the last index answers. The names change only where they are cleared.
NameIndex g_audioNameIndex(NameIndex::Repeats::KeepLast);

constexpr uint32_t kSondEntryBytes = 36;

char* CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t n = std::strlen(text) + 1;
  char* copy = new char[n];
  std::memcpy(copy, text, n);
  return copy;
}

bool Off() { return Audio_NoAudio || !g_Audio.engineOn; }

// The positions of a list chunk {u32 count, count u32 positions}; false when damaged.
bool ReadPositions(const char* tag, const uint8_t* body, uint32_t size, std::vector<uint32_t>* out) {
  uint32_t count = 0;
  if (!Container_ReadCount(tag, body, size, 0, 4, &count)) return false;
  out->resize(count);
  for (uint32_t i = 0; i < count; ++i) (*out)[i] = Container_U32(body + 4 + 4 * i);
  return true;
}

void DeleteSources() {
  for (uint32_t s : g_Audio.sources) alSourcei(s, AL_BUFFER, 0);
  if (!g_Audio.sources.empty()) alDeleteSources(static_cast<ALsizei>(g_Audio.sources.size()), g_Audio.sources.data());
  g_Audio.sources.clear();
}

// Voices are deleted: nothing may point at them afterwards.
void DeleteVoices() {
  AudioEmitter_ForgetVoices();
  for (auto* table : {&g_Audio.assets, &g_Audio.bufferSounds, &g_Audio.queues, &g_Audio.streams}) {
    for (auto& sound : *table) {
      if (sound) sound->queueVoice = nullptr;
    }
  }
  g_Audio.voices.clear();
}

void FadeSounds(std::vector<std::unique_ptr<CAudioSound>>& table) {
  for (auto& sound : table) {
    if (!sound || sound->fadeStepsLeft <= 0) continue;
    sound->gain = std::clamp(sound->gain + sound->fadeStep, 0.0f, 1.0f);
    --sound->fadeStepsLeft;
  }
}

}  // namespace

CAudioSound::~CAudioSound() {
  delete[] fileName;
  delete[] streamedPath;
  if (alBuffer > 0) {
    const ALuint b = static_cast<ALuint>(alBuffer);
    alDeleteBuffers(1, &b);
  }
}

void CAudioSound::LoadFromChunk(const char* file, int32_t kindCode, float volume, int32_t audioGroup,
                                int32_t audo) {
  delete[] fileName;
  fileName = CopyText(file);
  gain = volume;
  pitch = 1.0f;
  audoIndex = audo;
  fadeStep = 0.0f;
  fadeStepsLeft = 0;
  embedded = nullptr;
  alBuffer = 0;
  length = -1.0f;
  sampleRate = 0;
  totalSamples = 0;
  channels = 1;
  startPosition = 0.0f;
  decodeOnLoad = false;
  group = audioGroup;
  if (kindCode < 100) {
    streamed = compressed = kindCode > 0;
  } else if (kindCode == 100) {
    streamed = compressed = true;
  } else if (kindCode == 101) {
    streamed = compressed = false;
  } else if (kindCode == 102) {
    streamed = false;
    compressed = true;
  } else if (kindCode == 103) {
    streamed = compressed = false;
    decodeOnLoad = true;
  }
  compressedData = nullptr;
  compressedSize = 0;
  delete[] streamedPath;
  streamedPath = nullptr;
}

void CAudioSound::Prepare(CAudioSound* sound, int32_t forGroup) {
  if (Audio_NoAudio || sound == nullptr || sound->embedded == nullptr) return;
  if (CAudioGroupTable::Count() > 0) {
    if (sound->group != forGroup) return;
  } else {
    sound->group = 0;
  }
  if (sound->streamed) {
    delete[] sound->streamedPath;
    sound->streamedPath = nullptr;
    return;
  }
  const uint8_t* data = sound->embedded + 4;
  const int32_t size = static_cast<int32_t>(Container_U32(sound->embedded));
  if (sound->decodeOnLoad) {
    sound->compressedData = data;
    sound->compressedSize = size;
    uint32_t buffer = 0;
    COggAudio::DecompressOgg(sound, data, size, &buffer);
    sound->alBuffer = static_cast<int32_t>(buffer);
  } else if (sound->compressed) {
    sound->compressedData = data;
    sound->compressedSize = size;
  } else {
    alGetError();
    alutGetError();
    const ALuint buffer = alutCreateBufferFromFileImage(data, size);
    const ALenum alutError = alutGetError();
    const ALenum alError = alGetError();
    if (alutError == ALUT_ERROR_NO_ERROR && alError == AL_NO_ERROR && buffer != 0) {
      sound->alBuffer = static_cast<int32_t>(buffer);
    } else {
      if (buffer != 0) alDeleteBuffers(1, &buffer);
      sound->alBuffer = 0;
    }
  }
}

void Audio_SetEngineOn(bool on) { g_Audio.engineOn = on; }

bool Audio_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  Console_DebugOutput("Audio_Load()\n");
  std::vector<uint32_t> positions;
  if (!ReadPositions("SOND", body, size, &positions)) return false;
  // Everything is checked before the tables change, so a damaged chunk leaves no half table.
  struct Entry {
    const char* name;
    const char* file;
    int32_t kind;
    float volume;
    int32_t group;
    int32_t audo;
  };
  std::vector<Entry> entries(positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    const uint32_t at = positions[i];
    if (at == 0) continue;
    if (!container.Has(at, kSondEntryBytes)) {
      Game_FailLoad("SOND", "sound %zu lies outside the container", i);
      return false;
    }
    const uint8_t* e = container.data + at;
    bool ok = true;
    Entry& entry = entries[i];
    entry.name = container.TextAt(Container_U32(e), &ok);
    entry.file = container.TextAt(Container_U32(e + 12), &ok);
    if (!ok) {
      Game_FailLoad("SOND", "a text of sound %zu lies outside the container", i);
      return false;
    }
    entry.kind = Container_I32(e + 4);
    float volume;
    std::memcpy(&volume, e + 20, 4);
    entry.volume = volume;
    entry.group = Container_I32(e + 28);
    entry.audo = Container_I32(e + 32);
  }
  g_Audio.assets.clear();
  g_Audio.names.clear();
  g_audioNameIndex.Invalidate();
  g_Audio.assets.resize(positions.size());
  g_Audio.names.resize(positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] == 0) continue;
    const Entry& e = entries[i];
    auto sound = std::make_unique<CAudioSound>();
    sound->LoadFromChunk(e.file, e.kind, e.volume, e.group, e.audo);
    g_Audio.assets[i] = std::move(sound);
    const char* name = e.name != nullptr ? e.name : "";
    const size_t n = std::strlen(name) + 1;
    g_Audio.names[i] = std::make_unique<char[]>(n);
    std::memcpy(g_Audio.names[i].get(), name, n);
  }
  return true;
}

bool Audio_WAVs(uint8_t* body, uint32_t size, const ContainerBytes& base, int32_t group) {
  Console_DebugOutput("Audio_WAVs()\n");
  std::vector<uint32_t> positions;
  if (!ReadPositions("AUDO", body, size, &positions)) return false;
  // Each record {length, bytes} lies inside the chunk: a length that runs past it would hand the
  // decoder the chunks that follow (or bytes past the container) as the sound's file.
  const auto bodyAt = reinterpret_cast<uintptr_t>(body);
  const auto baseAt = reinterpret_cast<uintptr_t>(base.data);
  const bool bodyInside = bodyAt >= baseAt && base.Has(bodyAt - baseAt, size);
  const uint64_t chunkStart = bodyInside ? bodyAt - baseAt : 0;
  const uint64_t chunkEnd = bodyInside ? chunkStart + size : 0;
  for (size_t i = 0; i < positions.size(); ++i) {
    const uint32_t at = positions[i];
    if (at == 0) continue;
    if (at < chunkStart || at + 4ull > chunkEnd) {
      Game_FailLoad("AUDO", "embedded file %zu lies outside the chunk", i);
      return false;
    }
    const uint32_t length = Container_U32(base.data + at);
    if (length > chunkEnd - (at + 4ull)) {
      Game_FailLoad("AUDO", "embedded file %zu of %u bytes runs past the end of the chunk", i, length);
      return false;
    }
  }
  for (auto& sound : g_Audio.assets) {
    if (!sound) continue;
    if (CAudioGroupTable::Count() == 0) sound->group = 0;
    if (sound->group != group) continue;
    const int32_t index = sound->audoIndex;
    // An index past the chunk's list names no file: the sound stays without data.
    if (index < 0 || static_cast<size_t>(index) >= positions.size() || positions[static_cast<size_t>(index)] == 0) {
      sound->embedded = nullptr;
    } else {
      sound->embedded = base.data + positions[static_cast<size_t>(index)];
    }
  }
  return true;
}

bool AudioGroup_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  Console_DebugOutput("AudioGroup_Load()\n");
  std::vector<uint32_t> positions;
  if (!ReadPositions("AGRP", body, size, &positions)) return false;
  std::vector<const char*> names(positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    bool ok = true;
    if (!container.Has(positions[i], 4)) ok = false;
    if (ok) names[i] = container.TextAt(Container_U32(container.data + positions[i]), &ok);
    if (!ok) {
      Game_FailLoad("AGRP", "the name of audio group %zu lies outside the container", i);
      return false;
    }
  }
  if (!positions.empty()) {
    CAudioGroupTable::Create(static_cast<int32_t>(positions.size()));
    for (size_t i = 0; i < names.size(); ++i) CAudioGroupTable::SetName(static_cast<int32_t>(i), names[i]);
  }
  return true;
}

bool Audio_CheckALError(const char* text) {
  const ALenum error = alGetError();
  if (error == AL_NO_ERROR) return false;
  if (text != nullptr) {
    Console_DebugOutput("OpenAL error: %d (%s)\n", error, text);
  } else {
    Console_DebugOutput("OpenAL error: %d\n", error);
  }
  return true;
}

void Audio_Init() {
  if (Audio_NoAudio) {
    g_Audio.engineOn = false;
    return;
  }
  if (!g_Audio.engineOn) return;
  AudioListener_Create();
  Audio_CreateSources(g_Audio.voiceLimit + 1);
  alDistanceModel(AL_INVERSE_DISTANCE);
  alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
  const float orientation[6] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_ORIENTATION, orientation);
  Audio_CheckALError("Audio_Init");
}

void Audio_CreateSources(int32_t n) {
  g_Audio.voiceLimit = n - 1;
  g_Audio.sources.clear();
  g_Audio.sources.reserve(static_cast<size_t>(std::max(n, 0)));
  // One at a time: the library makes none at all when asked for more than it has, and the pool
  // should be as large as it can be.
  alGetError();
  for (int32_t i = 0; i < n; ++i) {
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
      Console_DebugOutput("Error creating audio sources %d\n", n);
      break;
    }
    g_Audio.sources.push_back(source);
  }
  COggAudio::CreateThreads(4, static_cast<int32_t>(g_Audio.sources.size()));
  g_Audio.voiceLimit = static_cast<int32_t>(g_Audio.sources.size());
  Audio_CheckALError("Audio_CreateSources");
}

void Audio_Prepare() {
  if (Off()) return;
  AudioGroup_BindSounds();
  for (auto& sound : g_Audio.assets) CAudioSound::Prepare(sound.get(), 0);
}

void Audio_Tick() {
  if (!g_Audio.engineOn) return;
  AudioGroup_Tick();
  AudioListener_Apply();
  Audio_CheckALError("Audio_Tick Start");
  COggAudio::Tick();
  FadeSounds(g_Audio.assets);
  FadeSounds(g_Audio.bufferSounds);
  FadeSounds(g_Audio.queues);
  for (size_t i = 0; i < g_Audio.voices.size(); ++i) {
    CAudioVoice* v = g_Audio.voices[i].get();
    if (!v->active) continue;
    if (v->stopCountdown != 0) {
      ++v->stopCountdown;
      if (v->stopCountdown == 2) {
        Audio_StopVoice(v, true);
      } else if (v->stopCountdown > 2) {
        v->stopCountdown = 0;
      }
      continue;
    }
    if (v->fadeStepsLeft > 0) {
      v->gain = std::clamp(v->gain + v->fadeStep, 0.0f, 1.0f);
      --v->fadeStepsLeft;
    }
    if (v->sourceIndex >= 0 && static_cast<size_t>(v->sourceIndex) < g_Audio.sources.size()) {
      const CAudioSound* sound = Audio_GetSound(v->soundId);
      float gain = v->gain * (sound != nullptr ? sound->gain : 1.0f);
      if (v->emitter != nullptr) gain *= v->emitter->gain;
      alSourcef(g_Audio.sources[static_cast<size_t>(v->sourceIndex)], AL_GAIN, gain);
    }
  }
  AudioEmitter_Tick();
  AudioRecorder_Tick();
  AudioQueue_Tick();
  Audio_CheckALError("Audio_Tick End");
}

void Audio_SetChannelCount(int32_t n) {
  if (!g_Audio.engineOn) return;
  if (n < 2) n = 2;
  if (n == static_cast<int32_t>(g_Audio.sources.size())) return;
  Console_DebugOutput("Audio setting channel count to %d\n", n);
  Audio_StopAll(1);
  COggAudio::Shutdown();
  DeleteSources();
  DeleteVoices();
  Audio_CreateSources(n);
}

void Audio_Quit() {
  if (!g_Audio.engineOn) return;
  Audio_StopAll(1);
  COggAudio::Shutdown();
  AudioGroup_Shutdown();
  AudioEmitter_ForgetVoices();
  DeleteSources();
  g_Audio.assets.clear();
  DeleteVoices();
  g_Audio.names.clear();
  g_audioNameIndex.Invalidate();
  g_Audio.bufferSounds.clear();
  g_Audio.queues.clear();
  g_Audio.streams.clear();
  CAudioGroupTable::Destroy();
  // A later start (a test's, or a restarted runner's) begins with a fresh pool and fresh ids.
  g_Audio.voiceLimit = 127;
  g_Audio.nextVoiceId = AUDIO_VOICE_ID_BASE + 1;
  g_Audio.listenerMask = 1;
}

CAudioSound* Audio_GetSound(int32_t id) {
  auto slot = [](std::vector<std::unique_ptr<CAudioSound>>& table, int64_t i) -> CAudioSound* {
    return i >= 0 && i < static_cast<int64_t>(table.size()) ? table[static_cast<size_t>(i)].get() : nullptr;
  };
  if (id >= 0 && id < static_cast<int32_t>(g_Audio.assets.size())) return g_Audio.assets[static_cast<size_t>(id)].get();
  const int64_t i = id;
  if (i - AUDIO_BUFFER_SOUND_BASE >= 0 && i - AUDIO_BUFFER_SOUND_BASE < static_cast<int64_t>(g_Audio.bufferSounds.size())) {
    return slot(g_Audio.bufferSounds, i - AUDIO_BUFFER_SOUND_BASE);
  }
  if (i - AUDIO_QUEUE_BASE >= 0 && i - AUDIO_QUEUE_BASE < static_cast<int64_t>(g_Audio.queues.size())) {
    return slot(g_Audio.queues, i - AUDIO_QUEUE_BASE);
  }
  return slot(g_Audio.streams, i - AUDIO_STREAM_BASE);
}

bool Audio_Exists(int32_t id) {
  if (Audio_NoAudio) return false;
  if (id >= AUDIO_VOICE_ID_BASE) return Audio_VoiceIsPlaying(Audio_FindVoice(id));
  return id >= 0 && id < static_cast<int32_t>(g_Audio.assets.size()) && g_Audio.assets[static_cast<size_t>(id)];
}

int32_t Audio_GetType(int32_t id) {
  if (Audio_NoAudio || id >= AUDIO_VOICE_ID_BASE) return -1;
  const CAudioSound* sound = Audio_GetSound(id);
  if (sound == nullptr) return -1;
  return sound->streamed ? 1 : 0;
}

const char* Audio_GetName(int32_t id) {
  static const char kUndefined[] = "<undefined>";
  if (Off()) return kUndefined;
  if (id >= AUDIO_VOICE_ID_BASE) {
    const CAudioVoice* v = Audio_FindVoice(id);
    if (v == nullptr) return kUndefined;
    id = v->soundId;
  }
  const char* name = Audio_Name(id);
  return name != nullptr ? name : kUndefined;
}

const char* Audio_Name(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(g_Audio.names.size())) return nullptr;
  return g_Audio.names[static_cast<size_t>(index)].get();
}

int32_t Audio_Number() { return static_cast<int32_t>(g_Audio.names.size()); }

int32_t Audio_Find(const char* name) {
  return g_audioNameIndex.Find(name, [](auto add) {
    for (size_t i = 0; i < g_Audio.names.size(); ++i) {
      if (g_Audio.names[i]) add(g_Audio.names[i].get(), static_cast<int32_t>(i));
    }
  });
}

bool Audio_UsingNewAudio() { return g_Audio.engineOn; }

void Audio_SetDebug(bool on) { g_Audio.debugView = on ? 16 : 0; }

void Audio_SetSyncGroupDebug(int32_t group) {
  g_Audio.debugView = group == -1 ? 0 : 32;
  COggAudio::SetSyncGroupDebug(group);
}

void Audio_SetNames(const char* const* names, int32_t count) {
  g_Audio.names.clear();
  g_audioNameIndex.Invalidate();
  for (int32_t i = 0; i < count; ++i) {
    const char* name = names[i] != nullptr ? names[i] : "";
    const size_t n = std::strlen(name) + 1;
    g_Audio.names.push_back(std::make_unique<char[]>(n));
    std::memcpy(g_Audio.names.back().get(), name, n);
  }
}
