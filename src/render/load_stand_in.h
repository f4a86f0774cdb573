// STAND-IN until shaders and the drawing functions are built: what loading a game calls of
// rendering. The chunk loader accepts its chunk (a log line, nothing kept) and the registrars
// register nothing.
#pragma once

#include <cstdint>

#include "runtime/container.h"

bool Shader_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// The part_* and effect_* functions (particle_functions.cpp).
void InitParticleFunctions();
void InitShaderFunctions();
