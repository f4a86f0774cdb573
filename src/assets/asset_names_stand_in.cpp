#include "assets/asset_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_backgrounds;
}  // namespace

int32_t Background_Find(const char* name) { return g_backgrounds.Find(name); }
int32_t Background_GetWidth(int32_t) { return 0; }
int32_t Background_GetHeight(int32_t) { return 0; }
void Background_StandInSetNames(const char* const* names, int32_t count) { g_backgrounds.Set(names, count); }
