// STAND-IN until sprites, backgrounds, fonts and texture pages are built: what loading a game
// calls of the assets. The chunk loaders accept their chunk (a log line, nothing kept); texture
// pages get slot numbers in order, so that the loader's page-index rewrite can be followed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/container.h"

// Set by "options.ini": textures are made when first drawn instead of at load.
extern bool Texture_CreateOnDemand;

void Sprite_Init();
void Background_Init();
void Font_Init();
bool Sprite_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Background_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Font_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// Makes the texture slot of one texture page (image data or null, the bytes available from it,
// flag bit 0 of the page) and returns its slot number.
int32_t GR_Texture_Load(const uint8_t* data, size_t length, int32_t flags);
// The number of slots made; GR_Texture_Shutdown empties the table.
int32_t GR_Texture_Count();
void GR_Texture_FreeAll();
