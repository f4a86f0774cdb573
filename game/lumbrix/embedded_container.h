// The game's container, built from content/ and embedded in the program at build time.
#pragma once

#include <cstdint>

const uint8_t* EmbeddedContainer_Data();
uint32_t EmbeddedContainer_Size();
