#include "audio/audio_pending.h"

#include <algorithm>

#include "audio/audio_engine.h"

namespace {
std::vector<std::string> g_groupNames;
}  // namespace

void CAudioGroupTable::Create(int32_t count) { g_groupNames.assign(static_cast<size_t>(std::max(count, 0)), {}); }
int32_t CAudioGroupTable::Count() { return static_cast<int32_t>(g_groupNames.size()); }
void CAudioGroupTable::SetName(int32_t group, const char* name) {
  if (group >= 0 && group < Count()) g_groupNames[static_cast<size_t>(group)] = name != nullptr ? name : "";
}
const char* CAudioGroupTable::Name(int32_t group) {
  return group >= 0 && group < Count() ? g_groupNames[static_cast<size_t>(group)].c_str() : nullptr;
}
void CAudioGroupTable::Destroy() { g_groupNames.clear(); }
bool AudioGroup_IsLoaded(int32_t group) { return group == 0; }
void AudioGroup_Tick() {}
void AudioGroup_BindSounds() {}
void AudioGroup_Shutdown() {}

void COggAudio::CreateThreads(int32_t, int32_t) {}
void COggAudio::Shutdown() {}
void COggAudio::Tick() {}
int32_t COggAudio::PlaySound(uint32_t, CAudioSound*, bool, float, int32_t, int32_t) { return -1; }
void COggAudio::StopChannel(uint32_t) {}
void COggAudio::PauseChannel(uint32_t) {}
void COggAudio::ResumeChannel(uint32_t) {}
void COggAudio::SetChannelPosition(uint32_t, float) {}
bool COggAudio::ReadInfo(CAudioSound*) { return false; }
bool COggAudio::DecompressOgg(CAudioSound*, const uint8_t*, int32_t, uint32_t* buffer) {
  *buffer = 0;
  return false;
}
void COggAudio::SetSyncGroupDebug(int32_t) {}

CAudioEmitter* AudioEmitter_Get(int32_t) { return nullptr; }
void AudioEmitter_Tick() {}
void AudioEmitter_ForgetVoices() {}
void AudioEmitter_Detach(CAudioVoice* voice) { voice->emitter = nullptr; }
void AudioListener_Create() {}
void AudioListener_Apply() {}

void Audio_ReleaseQueuedBuffers(CAudioVoice*, int32_t, bool) {}
void AudioRecorder_Tick() {}
void AudioQueue_Tick() {}
