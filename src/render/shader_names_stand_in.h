// STAND-IN until shaders are loaded: the shader table's lookup by name. No shader is known unless
// a test names some.
#pragma once

#include <cstdint>

// The index of the shader with that name, -1 when none.
int32_t Shader_FindByName(const char* name);
void Shader_StandInSetNames(const char* const* names, int32_t count);
