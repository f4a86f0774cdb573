// STAND-IN until extensions and the platform functions are built: what loading a game calls of
// connectivity and platform services. The chunk loader accepts its chunk (a log line, nothing
// kept) and the registrars register nothing.
#pragma once

#include <cstdint>

#include "runtime/container.h"

bool Extension_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// The orientations "options.ini" allows; this platform has no orientation to restrict.
void OS_SetOrientations(bool landscape, bool portrait, bool landscapeFlipped, bool portraitFlipped);

void InitNetworkingFunctions();
void InitSteamFunctions();
void InitPushFunctions();
void InitWexaFunctions();
void InitWin8Functions();
