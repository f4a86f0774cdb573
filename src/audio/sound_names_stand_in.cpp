#include "audio/sound_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_sounds;
}  // namespace

int32_t Sound_Find(const char* name) { return g_sounds.Find(name); }
void Sound_StandInSetNames(const char* const* names, int32_t count) { g_sounds.Set(names, count); }

bool Sound_Exists(int32_t index) { return g_sounds.Name(index) != nullptr; }
const char* Sound_Name(int32_t index) {
  const char* name = g_sounds.Name(index);
  return name != nullptr ? name : "<undefined>";
}
int32_t Sound_GetKind(int32_t index) { return Sound_Exists(index) ? 0 : -1; }
bool Sound_GetPreload(int32_t) { return false; }
int32_t Sound_Add(const char*, int32_t, bool) { return -1; }
bool Sound_Replace(int32_t, const char*, int32_t, bool) { return false; }
bool Sound_Delete(int32_t index) { return g_sounds.Forget(index); }
