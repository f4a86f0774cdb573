#include "audio/sound_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_sounds;
}  // namespace

int32_t Sound_Find(const char* name) { return g_sounds.Find(name); }
void Sound_StandInSetNames(const char* const* names, int32_t count) { g_sounds.Set(names, count); }
