// Script functions of skeleton sprites and of the calling instance's skeleton state.
#pragma once

#include <cstdint>

// Registers the 23 skeleton names.
void Skeleton_RegisterFunctions(uint8_t flag);
