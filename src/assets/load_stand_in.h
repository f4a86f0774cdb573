// STAND-IN until backgrounds are built: what loading a game calls of them. The
// chunk loaders accept their chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "host/container.h"

void Background_Init();
bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
