// STAND-IN until the legacy sound system is built: what loading a game calls of it. The chunk
// loaders accept their chunk (a log line, nothing kept). The audio engine's loaders are in
// audio/audio_engine.h.
#pragma once

#include <cstdint>

#include "audio/audio_engine.h"
#include "runtime/container.h"

class IniFile;

// Empties the legacy sound table before loading.
void Sound_DeleteAll();
// SOND and AUDO with the legacy sound system.
bool Sound_Init(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Wave_Init(uint8_t* body, uint32_t size, const ContainerBytes& container);

// The sound layer's look at "options.ini"; it reads nothing from it.
void Sound_OnOptionsLoaded(const IniFile* ini);

