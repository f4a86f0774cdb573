// Start-up and teardown of the asset tables (sprites, backgrounds, fonts, texture slots), as the
// host calls them.
#pragma once

#include "assets/background.h"

// Keeps the table of images built into the program (null when none) for later texture creation;
// assets/embedded_images.h reads its entries.
void GR_SetEmbeddedTextures(const void* table);
const void* GR_GetEmbeddedTextures();

void Font_InitTextures();

void GR_Texture_Shutdown();
void Font_Shutdown();
