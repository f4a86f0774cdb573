// STAND-IN until saved games are built: what the step, the frame and the game functions call of
// them. None is written, read or queued.
#pragma once

#include <cstdint>

// Restores a saved game queued by Game_Load, once per step; does nothing when none is queued.
void Game_DoQueuedLoad();
// Reads a saved game and queues it for the next step.
void Game_Load(const char* fileName);
// Writes the running game to a file, or into a buffer.
void Game_Save(const char* fileName);
void Game_SaveBuffer(int32_t buffer);
// Queues the saved game a buffer holds for the next step.
void Game_QueueLoad(int32_t buffer);
