// Saved games: the whole running state of a game as one byte stream (a file in the save area, or
// a script's buffer), and the queued load that replaces the running state with such a stream at
// the start of the next step.
//
// The stream is made of four sections, each written by its owner: the run state (marker 851,
// game id, current room, room change, transition, score, lives, health and their captions, cursor
// sprite, step count, draw events), the globals (Variable_SaveGlobals), the run-time rooms with
// the two id counters (CRoom::SaveState for each room present), and the input state
// (IO_SaveState, with a marker of its own).
//
// A stream is outside input: a save file can be damaged or made by hand, a buffer filled by any
// script. Loading reads every section into new records before it changes anything, so a stream
// that is cut short, forged or of another game is refused whole and the running game goes on as
// it was.
#pragma once

#include <cstdint>

class IBuffer;

inline constexpr int32_t kSavedGameMarker = 851;

// What the saved games need of the floors above the game world, installed by the host.
struct SavedGameHooks {
  // The script buffer of an index; null for none.
  IBuffer* (*findBuffer)(int32_t index) = nullptr;
  // Sizes the window for the new current room.
  void (*sizeWindow)() = nullptr;
};
// Installs the hooks and returns those installed before.
SavedGameHooks SavedGame_SetHooks(const SavedGameHooks& hooks);

// game_save_buffer: the four sections at the buffer's position; false when the index names no
// buffer.
bool Game_SaveBuffer(int32_t buffer);
// game_save: the four sections into the file, mapped into the save area.
void Game_Save(const char* fileName);
// game_load_buffer: queues the buffer's index; its stream is read from the buffer's position when
// the next step begins. False, with a warning, while a file load is queued or when the index
// names no buffer. A later buffer load replaces an earlier one.
bool Game_QueueLoad(int32_t buffer);
// game_load: reads the file (the save area first, then the program directory) and queues its
// bytes; a warning, and nothing queued, when it is missing or a file load is already queued.
void Game_Load(const char* fileName);
// Called at the start of every step: loads what is queued, if anything. True when a stream was
// loaded; false when none was queued or the stream was refused (one line in the log).
bool Game_DoQueuedLoad();
// Drops a queued load (the end of a game, and tests).
void Game_ClearQueuedLoad();

// The four sections into the buffer at its position.
void Game_SaveState(IBuffer* buffer);
// Reads a stream from the buffer's position and, when every section reads whole, replaces the
// running state with it; false (with one line in the log) and nothing changed otherwise.
bool Game_LoadState(IBuffer* buffer);
