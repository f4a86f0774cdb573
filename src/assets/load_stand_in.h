// STAND-IN until backgrounds and fonts are built: what loading a game calls of them. The
// chunk loaders accept their chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "host/container.h"

void Background_Init();
void Font_Init();
bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Font_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
