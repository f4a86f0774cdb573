#include "audio/sound_names_stand_in.h"

#include <map>

#include "core/stand_in_names.h"

namespace {
StandInNames g_sounds;
std::map<int32_t, bool> g_playing;  // sound -> looping
}  // namespace

int32_t Sound_Find(const char* name) { return g_sounds.Find(name); }
void Sound_StandInSetNames(const char* const* names, int32_t count) {
  g_sounds.Set(names, count);
  g_playing.clear();
}

bool Sound_Exists(int32_t index) { return g_sounds.Name(index) != nullptr; }
const char* Sound_Name(int32_t index) {
  const char* name = g_sounds.Name(index);
  return name != nullptr ? name : "<undefined>";
}
int32_t Sound_GetKind(int32_t index) { return Sound_Exists(index) ? 0 : -1; }
bool Sound_GetPreload(int32_t) { return false; }
int32_t Sound_Add(const char*, int32_t, bool) { return -1; }
bool Sound_Replace(int32_t, const char*, int32_t, bool) { return false; }
bool Sound_Delete(int32_t index) {
  g_playing.erase(index);
  return g_sounds.Forget(index);
}

bool Sound_Play(int32_t index, bool loop) {
  if (!Sound_Exists(index)) return false;
  g_playing[index] = loop;
  return true;
}
bool Sound_Stop(int32_t index) {
  g_playing.erase(index);
  return Sound_Exists(index);
}
bool Sound_IsPlaying(int32_t index) { return Sound_Exists(index) && g_playing.count(index) != 0; }
bool Sound_IsLooping(int32_t index) {
  const auto it = g_playing.find(index);
  return it != g_playing.end() && it->second;
}
