#include "core/script_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_scripts;
}

int32_t Script_Find(const char* name) { return g_scripts.Find(name); }
void Script_StandInSetNames(const char* const* names, int32_t count) { g_scripts.Set(names, count); }
