#include "world/asset_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_paths;
StandInNames g_timelines;
}  // namespace

int32_t Path_Find(const char* name) { return g_paths.Find(name); }
int32_t TimeLine_Find(const char* name) { return g_timelines.Find(name); }
void Path_StandInSetNames(const char* const* names, int32_t count) { g_paths.Set(names, count); }
void TimeLine_StandInSetNames(const char* const* names, int32_t count) { g_timelines.Set(names, count); }
