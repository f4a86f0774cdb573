// STAND-IN until scripts are built: what loading a game calls of them. The SCPT loader accepts
// its chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "host/container.h"

void Script_Init();
bool Script_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
