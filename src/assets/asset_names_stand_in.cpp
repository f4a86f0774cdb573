#include "assets/asset_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_fonts;
}  // namespace

int32_t Font_Find(const char* name) { return g_fonts.Find(name); }
void Font_StandInSetNames(const char* const* names, int32_t count) { g_fonts.Set(names, count); }
