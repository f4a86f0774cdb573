// STAND-IN until sprites and fonts are built: what loading a game calls of them. The
// chunk loaders accept their chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "assets/background.h"
#include "host/container.h"

void Sprite_Init();
void Font_Init();
bool Sprite_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Font_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
