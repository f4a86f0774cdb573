// What the host calls of the game world at start-up, at the end of a game and at teardown, and
// the world's texts that the host frees or clears between passes.
#pragma once

#include "runtime/host_state.h"

// Makes working_directory from the game file path, once per pass: the path up to and including its
// last '/' (or, without one, its last '\\'); a path without a separator makes none.
void Variable_SetWorkingDirectory();

void Variable_BuiltIn_Init();
void Path_Reset();

// Ends the game at the end of the current frame (room-change code -100).
void F_GameEnd();

void Grid_Shutdown();
void Room_Shutdown();
void Instances_DeleteAll();
void ObjectLists_FreeAll();
void Object_Shutdown();
void TimeLine_Shutdown();
