// Script functions of off-screen surfaces.
#pragma once

#include <cstdint>

// Registers the surface names.
void Surface_RegisterFunctions(uint8_t flag);
