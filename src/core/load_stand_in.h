// STAND-IN until scripts and the name registries are built: what loading a game calls of them.
// The SCPT loader accepts its chunk (a log line, nothing kept). User variable names are kept
// for real (100000 + their place in the list); no built-in function is known yet, so every
// callable lookup answers -1.
#pragma once

#include <cstdint>

#include "host/container.h"

void Script_Init();
bool Script_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

int32_t Variable_FindOrAdd(const char* name);
int32_t Builtin_FindCallable(const char* name);
