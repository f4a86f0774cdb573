// STAND-IN until sprites and backgrounds are built: what loading a game calls of them. The
// chunk loaders accept their chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "host/container.h"

void Sprite_Init();
void Background_Init();
bool Sprite_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
