#include "render/shader_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_shaders;
}

int32_t Shader_FindByName(const char* name) { return g_shaders.Find(name); }
void Shader_StandInSetNames(const char* const* names, int32_t count) { g_shaders.Set(names, count); }
