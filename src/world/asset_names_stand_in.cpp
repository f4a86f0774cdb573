#include "world/asset_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_rooms;
}  // namespace

int32_t Room_Find(const char* name) { return g_rooms.Find(name); }
void Room_StandInSetNames(const char* const* names, int32_t count) { g_rooms.Set(names, count); }
