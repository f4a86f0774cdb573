#include "render/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no shader is compiled yet.
bool Shader_Load(uint8_t*, uint32_t size, const ContainerBytes&) {
  Console_DebugOutput("Shader_Load: %u bytes accepted, nothing kept yet\n", size);
  return true;
}

void InitShaderFunctions() {}
