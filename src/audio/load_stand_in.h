// STAND-IN until the audio engine and the legacy sound system are built: what loading a game
// calls of audio. The chunk loaders accept their chunk (a log line, nothing kept) and the
// registrar registers nothing.
#pragma once

#include <cstdint>

#include "host/container.h"

class IniFile;

// Empties the legacy sound table before loading.
void Sound_DeleteAll();
// SOND with the new audio engine / the legacy sound system.
bool Audio_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Sound_Init(uint8_t* body, uint32_t size, const ContainerBytes& container);
// AUDO with the new audio engine (for one audio group) / the legacy sound system.
bool Audio_WAVs(uint8_t* body, uint32_t size, const ContainerBytes& container, int32_t group);
bool Wave_Init(uint8_t* body, uint32_t size, const ContainerBytes& container);
// AGRP, new audio engine only.
bool AudioGroup_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// The sound layer's look at "options.ini"; it reads nothing from it.
void Sound_OnOptionsLoaded(const IniFile* ini);

void InitSoundFunctions();
