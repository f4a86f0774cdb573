#include <AL/al.h>

#include <algorithm>
#include <cmath>

#include "audio/audio_engine.h"
#include "audio/audio_pending.h"
#include "audio/lifecycle.h"
#include "core/console.h"
#include "world/room.h"

namespace {

constexpr float kFadingOutPriority = -1e9f;

bool Off() { return Audio_NoAudio || !g_Audio.engineOn; }
bool IsQueueId(int32_t id) { return id >= AUDIO_QUEUE_BASE && id < AUDIO_QUEUE_BASE + 100000; }
bool IsOgg(const CAudioSound* s) { return s->streamed || s->compressed; }

ALuint SourceOf(const CAudioVoice* v) {
  if (v->sourceIndex < 0 || static_cast<size_t>(v->sourceIndex) >= g_Audio.sources.size()) return 0;
  return g_Audio.sources[static_cast<size_t>(v->sourceIndex)];
}
bool HasSource(const CAudioVoice* v) { return SourceOf(v) != 0; }

ALint SourceState(const CAudioVoice* v) {
  ALint state = AL_INITIAL;
  if (HasSource(v)) alGetSourcei(SourceOf(v), AL_SOURCE_STATE, &state);
  return state;
}

// Frames of a fade: the room's frame time in whole milliseconds, at least 1, into the time.
int32_t FadeSteps(int32_t timeMs) {
  int32_t speed = Room_Current != nullptr ? Room_Current->GetSpeed() : 30;
  // A room whose speed is not yet corrected would divide by zero.
  if (speed < 1) speed = 1;
  const int32_t perStep = std::max(1000 / speed, 1);
  return std::max(timeMs / perStep, 1);
}

// Time 0 sets the gain at once (true: it changed and is to be applied); any other time starts a
// fade of `steps` frames. Sounds and voices fade alike.
template <typename T>
bool SetGainOrFade(T* target, float gain, int32_t timeMs, int32_t steps) {
  if (timeMs == 0) {
    if (target->gain == gain && target->fadeStepsLeft <= 0) return false;
    target->gain = gain;
    target->fadeStepsLeft = 0;
    target->fadeStep = 0.0f;
    return true;
  }
  target->fadeStep = (gain - target->gain) / static_cast<float>(steps);
  target->fadeStepsLeft = steps;
  return false;
}

template <typename F>
void ForVoicesOfSound(int32_t soundId, F&& f) {
  for (auto& v : g_Audio.voices) {
    if (v->soundId == soundId) f(v.get());
  }
}

// Pausing acts only on a playing source and resuming only on a paused one; Ogg voices go to
// their channel.
void PauseOrResume(CAudioVoice* v, bool pause) {
  if (Audio_NoAudio || v == nullptr || !v->active || Audio_GetSound(v->soundId) == nullptr) return;
  if (v->ogg) {
    if (pause) {
      COggAudio::PauseChannel(SourceOf(v));
    } else {
      COggAudio::ResumeChannel(SourceOf(v));
    }
    return;
  }
  if (SourceState(v) != (pause ? AL_PLAYING : AL_PAUSED)) return;
  if (pause) {
    alSourcePause(SourceOf(v));
  } else {
    alSourcePlay(SourceOf(v));
  }
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    Console_DebugOutput(pause ? "Error pausing sound %d error code %d\n" : "Error resuming sound %d error code %d\n",
                        v->soundId, error);
  }
}
void PauseVoice(CAudioVoice* v) { PauseOrResume(v, true); }
void ResumeVoice(CAudioVoice* v) { PauseOrResume(v, false); }

// The sound a play request names, or null with the request's answer: 0 (logged) for no sound,
// `notLoaded` for a sound whose audio group is not loaded.
CAudioSound* PlayableSound(int32_t soundId, int32_t notLoaded, int32_t* answer) {
  CAudioSound* sound = Audio_GetSound(soundId);
  if (sound == nullptr) {
    Console_DebugOutput("Error: no sound exists for soundid %d\n", soundId);
    *answer = 0;
    return nullptr;
  }
  if (!AudioGroup_IsLoaded(sound->group)) {
    const char* name = Audio_Name(soundId);
    Console_DebugOutput("%s: Audio Group %d is not loaded\n", name != nullptr ? name : "", sound->group);
    *answer = notLoaded;
    return nullptr;
  }
  return sound;
}

// The voice a play request fills in: id, sound, gain and mask; its pitch is left as it was.
void TakeVoice(CAudioVoice* v, int32_t soundId, int32_t loop, double priority) {
  v->voiceId = g_Audio.nextVoiceId++;
  v->soundId = soundId;
  v->gain = 1.0f;
  v->fadeStep = 0.0f;
  v->fadeStepsLeft = 0;
  v->listenerMask = g_Audio.listenerMask;
  v->loop = loop > 0;
  v->priority = static_cast<float>(priority);
}

}  // namespace

CAudioVoice* Audio_AllocVoice(int32_t soundId, float priority) {
  if (Audio_NoAudio) return nullptr;
  const CAudioSound* sound = Audio_GetSound(soundId);
  if (sound == nullptr) return nullptr;
  const bool oggNew = IsOgg(sound);
  if (sound->isQueue) {
    if (CAudioVoice* v = Audio_FindQueueVoice(soundId)) return v;
  }
  const size_t count = g_Audio.voices.size();
  for (size_t i = 0; i < count; ++i) {
    CAudioVoice* v = g_Audio.voices[i].get();
    if (IsQueueId(v->soundId) && HasSource(v)) {
      ALint queued = 0;
      alGetSourcei(SourceOf(v), AL_BUFFERS_QUEUED, &queued);
      if (queued > 0) continue;
    }
    if (!v->active) return v;
    if (!v->ogg) {
      const ALint state = SourceState(v);
      if (state == AL_STOPPED || state == AL_INITIAL) {
        Audio_ReleaseVoice(v);
        return v;
      }
    } else if (v->stopped && oggNew && v->stopCountdown == 0) {
      AudioEmitter_Detach(v);
      return v;
    }
  }
  if (static_cast<int32_t>(count) < g_Audio.voiceLimit) {
    auto v = std::make_unique<CAudioVoice>();
    v->sourceIndex = static_cast<int32_t>(count);
    v->listenerMask = g_Audio.listenerMask;
    g_Audio.voices.push_back(std::move(v));
    return g_Audio.voices.back().get();
  }
  float limit = priority;
  CAudioVoice* candidate = nullptr;
  for (auto& v : g_Audio.voices) {
    if (v->priority < limit && (!v->ogg || oggNew)) {
      candidate = v.get();
      limit = v->priority;
    }
  }
  if (candidate == nullptr) return nullptr;
  Audio_StopVoice(candidate, true);
  return candidate;
}

bool Audio_StartVoice(CAudioSound* sound, CAudioVoice* v) {
  if (Audio_NoAudio || sound == nullptr || v == nullptr) return false;
  const ALuint s = SourceOf(v);
  bool started = false;
  if (sound->isQueue) {
    alSourcePlay(s);
    started = true;
  } else if (IsOgg(sound)) {
    started = COggAudio::PlaySound(s, sound, v->loop, sound->startPosition, v->listenerMask, -1) != -1;
  } else if (sound->alBuffer > 0) {
    alSourcei(s, AL_BUFFER, sound->alBuffer);
    if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error setting sample buffer\n");
    alSourcei(s, AL_LOOPING, v->loop ? AL_TRUE : AL_FALSE);
    if (sound->startPosition > 0.0f) {
      alSourcef(s, AL_SEC_OFFSET, sound->startPosition);
      Audio_CheckALError("set track position offset failed");
    }
    alSourcePlay(s);
    started = true;
  }
  if (started) {
    v->stopped = false;
    v->ogg = IsOgg(sound);
    v->active = true;
  }
  return started;
}

int32_t Audio_PlaySimpleSound(int32_t soundId, double priority, int32_t loop) {
  if (Off()) return -1;
  int32_t answer = 0;
  CAudioSound* sound = PlayableSound(soundId, -1, &answer);
  if (sound == nullptr) return answer;
  CAudioVoice* v = Audio_AllocVoice(soundId, static_cast<float>(priority));
  if (v == nullptr) return -1;
  if (sound->isQueue && SourceState(v) == AL_PLAYING) return -1;
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error before playing sample %d\n", soundId);
  TakeVoice(v, soundId, loop, priority);
  const ALuint s = SourceOf(v);
  alSourcef(s, AL_MAX_DISTANCE, 100000.0f);
  alSourcef(s, AL_GAIN, sound->gain);
  alSourcef(s, AL_PITCH, sound->pitch);
  alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(s, AL_POSITION, 0.0f, 0.0f, 0.0f);
  alSource3f(s, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  Audio_StartVoice(sound, v);
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error playing simple sound %d\n", soundId);
  return v->voiceId;
}

int32_t Audio_PlaySoundAt(int32_t soundId, double x, double y, double z, double falloffRef, double falloffMax,
                          double falloffFactor, int32_t loop, double priority) {
  if (Off()) return -1;
  int32_t answer = 0;
  CAudioSound* sound = PlayableSound(soundId, 0, &answer);
  if (sound == nullptr) return answer;
  CAudioVoice* v = Audio_AllocVoice(soundId, static_cast<float>(priority));
  if (v == nullptr) return -1;
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error prior to playing sample\n");
  TakeVoice(v, soundId, loop, priority);
  const ALuint s = SourceOf(v);
  alSourcei(s, AL_SOURCE_RELATIVE, AL_FALSE);
  alSourcef(s, AL_GAIN, sound->gain);
  alSourcef(s, AL_PITCH, sound->pitch);
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error setting sample buffer\n");
  alSourcef(s, AL_MAX_DISTANCE, static_cast<float>(falloffMax));
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error playing sample\n");
  alSourcef(s, AL_REFERENCE_DISTANCE, static_cast<float>(falloffRef));
  alSourcef(s, AL_ROLLOFF_FACTOR, static_cast<float>(falloffFactor));
  alSource3f(s, AL_POSITION, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
  alSource3f(s, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  if (alGetError() != AL_NO_ERROR) Console_DebugOutput("Error updating sample position\n");
  Audio_StartVoice(sound, v);
  return v->voiceId;
}

// Emitters are not built yet: every emitter index is out of range.
int32_t Audio_PlaySound(int32_t emitter, int32_t, int32_t, double) {
  if (Off()) return -1;
  if (AudioEmitter_Get(emitter) == nullptr) return -1;
  return -1;
}

void Audio_StopVoice(CAudioVoice* v, bool immediate) {
  if (Audio_NoAudio || v == nullptr) return;
  if (!v->active && !IsQueueId(v->soundId)) return;
  if (!immediate) {
    if (v->stopCountdown != 0) return;
    v->stopCountdown = 1;
    v->gain = 0.0f;
    v->priority = kFadingOutPriority;
    if (HasSource(v)) alSourcef(SourceOf(v), AL_GAIN, 0.0f);
    return;
  }
  v->stopped = true;
  if (v->ogg) {
    COggAudio::StopChannel(SourceOf(v));
    return;
  }
  alGetError();
  if (HasSource(v)) alSourceStop(SourceOf(v));
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) Console_DebugOutput("Error stopping sound %d error code %d\n", v->soundId, error);
  Audio_ReleaseVoice(v);
}

void Audio_ReleaseVoice(CAudioVoice* v) {
  if (v == nullptr) return;
  v->active = false;
  v->stopCountdown = 0;
  v->stopped = false;
  AudioEmitter_Detach(v);
  Audio_ReleaseQueuedBuffers(v, v->soundId, true);
  if (HasSource(v)) alSourcei(SourceOf(v), AL_BUFFER, 0);
}

CAudioVoice* Audio_FindVoice(int32_t voiceId) {
  for (auto& v : g_Audio.voices) {
    if (v->active && v->stopCountdown == 0 && v->voiceId == voiceId) return v.get();
  }
  return nullptr;
}

CAudioVoice* Audio_FindQueueVoice(int32_t queueId) {
  for (auto& v : g_Audio.voices) {
    if (v->stopCountdown == 0 && v->soundId == queueId) return v.get();
  }
  return nullptr;
}

bool Audio_VoiceIsPlaying(const CAudioVoice* v) {
  if (v == nullptr || !v->active) return false;
  if (v->ogg) return true;
  const ALint state = SourceState(v);
  return state == AL_PLAYING || state == AL_PAUSED;
}

bool Audio_VoiceIsPaused(const CAudioVoice* v) { return v != nullptr && v->active && SourceState(v) == AL_PAUSED; }

void Audio_StopSound(int32_t id) {
  if (Off()) return;
  if (id >= AUDIO_VOICE_ID_BASE) {
    Audio_StopVoice(Audio_FindVoice(id), false);
    return;
  }
  ForVoicesOfSound(id, [](CAudioVoice* v) {
    if (!v->stopped) Audio_StopVoice(v, false);
  });
}

void Audio_StopAll(int32_t immediate) {
  if (Off()) return;
  for (auto& v : g_Audio.voices) Audio_StopVoice(v.get(), immediate != 0);
}

void Audio_StopGroup(int32_t group) {
  if (Off()) return;
  for (auto& v : g_Audio.voices) {
    const CAudioSound* s = Audio_GetSound(v->soundId);
    if (v->active && s != nullptr && s->group == group) Audio_StopVoice(v.get(), false);
  }
}

void Audio_PauseSound(int32_t id) {
  if (Off()) return;
  if (id >= AUDIO_VOICE_ID_BASE) return PauseVoice(Audio_FindVoice(id));
  ForVoicesOfSound(id, PauseVoice);
}

void Audio_ResumeSound(int32_t id) {
  if (Off()) return;
  if (id >= AUDIO_VOICE_ID_BASE) return ResumeVoice(Audio_FindVoice(id));
  ForVoicesOfSound(id, ResumeVoice);
}

void Audio_PauseAll() {
  if (Off()) return;
  for (auto& v : g_Audio.voices) PauseVoice(v.get());
}

void Audio_ResumeAll() {
  if (Off()) return;
  for (auto& v : g_Audio.voices) ResumeVoice(v.get());
}

bool Audio_IsPlaying(int32_t id) {
  if (Off()) return false;
  if (id >= AUDIO_VOICE_ID_BASE) return Audio_VoiceIsPlaying(Audio_FindVoice(id));
  bool any = false;
  ForVoicesOfSound(id, [&](CAudioVoice* v) { any = any || Audio_VoiceIsPlaying(v); });
  return any;
}

bool Audio_IsPaused(int32_t id) {
  if (Off()) return false;
  if (id >= AUDIO_VOICE_ID_BASE) return Audio_VoiceIsPaused(Audio_FindVoice(id));
  bool any = false;
  ForVoicesOfSound(id, [&](CAudioVoice* v) { any = any || Audio_VoiceIsPaused(v); });
  return any;
}

float Audio_GetSoundBaseGain(int32_t soundId) {
  if (Audio_NoAudio) return 1.0f;
  const CAudioSound* s = Audio_GetSound(soundId);
  return s != nullptr ? s->gain : 1.0f;
}

void Audio_ApplyVoiceGain(CAudioVoice* v) {
  if (v == nullptr || !v->active || v->stopCountdown != 0 || !HasSource(v)) return;
  float gain = Audio_GetSoundBaseGain(v->soundId) * v->gain;
  if (v->emitter != nullptr) gain *= v->emitter->gain;
  alSourcef(SourceOf(v), AL_GAIN, gain);
}

void Audio_ApplySoundGain(int32_t soundId) { ForVoicesOfSound(soundId, Audio_ApplyVoiceGain); }

void Audio_SetVoiceGain(CAudioVoice* v, float gain, int32_t timeMs) {
  if (v == nullptr) return;
  if (SetGainOrFade(v, gain, timeMs, FadeSteps(timeMs))) Audio_ApplyVoiceGain(v);
}

void Audio_SetSoundGain(int32_t id, float gain, int32_t timeMs) {
  if (Off()) return;
  const int32_t steps = FadeSteps(timeMs);
  if (id >= AUDIO_VOICE_ID_BASE) {
    Audio_SetVoiceGain(Audio_FindVoice(id), gain, timeMs);
    return;
  }
  CAudioSound* s = Audio_GetSound(id);
  if (s == nullptr) return;
  if (SetGainOrFade(s, gain, timeMs, steps)) Audio_ApplySoundGain(id);
}

float Audio_GetGain(int32_t id) {
  if (Off()) return 0.0f;
  if (id >= AUDIO_VOICE_ID_BASE) {
    const CAudioVoice* v = Audio_FindVoice(id);
    return v != nullptr ? v->gain : 0.0f;
  }
  const CAudioSound* s = Audio_GetSound(id);
  return s != nullptr ? s->gain : 0.0f;
}

void Audio_SetGroupGain(int32_t group, float gain, int32_t timeMs) {
  if (Off()) return;
  for (size_t i = 0; i < g_Audio.assets.size(); ++i) {
    if (g_Audio.assets[i] && g_Audio.assets[i]->group == group) Audio_SetSoundGain(static_cast<int32_t>(i), gain, timeMs);
  }
}

void Audio_SetPitch(int32_t id, float pitch) {
  if (Off()) return;
  pitch = std::clamp(pitch, 0.0039f, 256.0f);
  if (id >= AUDIO_VOICE_ID_BASE) {
    CAudioVoice* v = Audio_FindVoice(id);
    if (v == nullptr) return;
    v->pitch = pitch;
    if (HasSource(v)) alSourcef(SourceOf(v), AL_PITCH, pitch);
    return;
  }
  if (CAudioSound* s = Audio_GetSound(id)) s->pitch = pitch;
  ForVoicesOfSound(id, [pitch](CAudioVoice* v) {
    if (!v->active || v->stopCountdown != 0 || !HasSource(v)) return;
    alSourcef(SourceOf(v), AL_PITCH, pitch * (v->emitter != nullptr ? v->emitter->pitch : 1.0f));
  });
}

float Audio_GetPitch(int32_t id) {
  if (Off()) return 1.0f;
  if (id >= AUDIO_VOICE_ID_BASE) {
    const CAudioVoice* v = Audio_FindVoice(id);
    return v != nullptr ? v->pitch : 1.0f;
  }
  const CAudioSound* s = Audio_GetSound(id);
  return s != nullptr ? s->pitch : 1.0f;
}

float Audio_GetLength(int32_t id) {
  if (Off()) return -1.0f;
  if (id >= AUDIO_VOICE_ID_BASE) {
    const CAudioVoice* v = Audio_FindVoice(id);
    if (v == nullptr) return -1.0f;
    id = v->soundId;
  }
  CAudioSound* s = Audio_GetSound(id);
  if (s == nullptr) return -1.0f;
  if (s->length >= 0.0f) return s->length;
  if (IsOgg(s)) {
    COggAudio::ReadInfo(s);
  } else if (s->alBuffer > 0) {
    alGetError();
    ALint size = 0, bits = 0, channels = 0, frequency = 0;
    const ALuint b = static_cast<ALuint>(s->alBuffer);
    alGetBufferi(b, AL_SIZE, &size);
    alGetBufferi(b, AL_BITS, &bits);
    alGetBufferi(b, AL_CHANNELS, &channels);
    alGetBufferi(b, AL_FREQUENCY, &frequency);
    if (alGetError() != AL_NO_ERROR || channels <= 0 || bits < 8 || frequency <= 0) return -1.0f;
    const uint32_t samples = static_cast<uint32_t>(size) / static_cast<uint32_t>(channels) / (static_cast<uint32_t>(bits) / 8);
    s->length = static_cast<float>(samples) / static_cast<float>(frequency);
  }
  return s->length;
}

void Audio_SetTrackPosition(int32_t id, float seconds) {
  if (Off()) return;
  if (seconds < 0.0f) seconds = 0.0f;
  if (id >= AUDIO_VOICE_ID_BASE) {
    CAudioVoice* v = Audio_FindVoice(id);
    if (v == nullptr) return;
    if (v->ogg) {
      COggAudio::SetChannelPosition(SourceOf(v), seconds);
    } else if (Audio_VoiceIsPlaying(v)) {
      alSourcef(SourceOf(v), AL_SEC_OFFSET, seconds);
      Audio_CheckALError("Set track position failed");
    }
    return;
  }
  if (IsQueueId(id)) {
    Console_DebugOutput("Error: audio_sound_set_track_position not supported on sound queues.\n");
    return;
  }
  if (id < 0) return;
  CAudioSound* s = Audio_GetSound(id);
  if (s != nullptr && seconds < Audio_GetLength(id)) s->startPosition = seconds;
}

float Audio_GetTrackPos(int32_t id) {
  if (Off()) return 0.0f;
  const CAudioVoice* v = nullptr;
  if (id >= AUDIO_VOICE_ID_BASE) {
    v = Audio_FindVoice(id);
  } else if (IsQueueId(id)) {
    v = Audio_FindQueueVoice(id);
  } else if (id >= 0) {
    const CAudioSound* s = Audio_GetSound(id);
    return s != nullptr ? s->startPosition : 0.0f;
  }
  if (v == nullptr || Audio_GetSound(v->soundId) == nullptr || !HasSource(v)) return 0.0f;
  // Ogg channels are not built yet: they never play, so they have no position.
  if (v->ogg) return 0.0f;
  ALfloat offset = 0.0f;
  alGetSourcef(SourceOf(v), AL_SEC_OFFSET, &offset);
  return offset;
}

int32_t Audio_GetVoiceListenerMask(int32_t voiceId) {
  const CAudioVoice* v = Audio_FindVoice(voiceId);
  return v != nullptr ? v->listenerMask : 1;
}

void Audio_SetVoiceListenerMask(int32_t voiceId, int32_t mask) {
  if (CAudioVoice* v = Audio_FindVoice(voiceId)) v->listenerMask = mask;
}

bool Audio_NoVoiceInGroup(int32_t group) {
  for (auto& v : g_Audio.voices) {
    const CAudioSound* s = Audio_GetSound(v->soundId);
    if (v->active && s != nullptr && s->group == group) return false;
  }
  return true;
}
