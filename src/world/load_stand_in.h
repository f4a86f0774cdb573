// STAND-IN until the game world is built: what loading a game calls of the world. The chunk
// loaders accept their chunk (a log line, nothing kept) and the registrar registers nothing.
// The working directory is kept for real.
#pragma once

#include <cstdint>

#include "host/container.h"
#include "world/room_table.h"

void Path_Init();
void TimeLine_Init();
bool Path_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool TimeLine_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// Makes working_directory from the game file path once per pass (up to and including its last
// slash or backslash).
void Variable_SetWorkingDirectory();

void Path_DeleteAll();
void TimeLine_DeleteAll();

void InitGameFunctions();
