// Finding, reading and loading the game data container: the game file (or the container built
// into the program), "options.ini" and the debug-information file beside it, the pre-scan of the
// header before the window exists, and the chunk pass that hands every chunk, in file order, to
// the loader of the subsystem that owns it.
//
// A damaged container (or debug file) ends the runner with a message naming what is wrong and
// exit code 1, as a missing game does; a game launched by another game returns to it instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/game_data.h"

// Finds and reads the container, "options.ini" and the debug file. Without a game, or when the
// game cannot be read, the process ends with exit code 1 (a game launched by another game ends
// instead). The result is not meaningful.
bool RunnerLoadGame();
// The container bytes read by RunnerLoadGame (writable: loading rewrites fields in place); null
// when there are none.
uint8_t* Game_Container();
size_t Game_ContainerSize();

// Pre-scan before the window exists: checks the framing, reads the header, registers the
// built-in functions, keeps the CODE and STRG tables and links VARI. A damaged container ends
// the runner as a missing game does.
void Game_ScanHeader(uint8_t* container, size_t size);
// The scan itself: false when the container is damaged (Game_LoadFailure says how).
bool Game_ScanHeaderChunks(const ContainerBytes& container);

// Logs "LoadGameData()" and loads every chunk of the container read.
bool LoadGameData();
// Loads every chunk: false when the container is damaged (a message is shown) or holds a chunk
// of an unknown tag (after every other chunk was loaded).
bool Game_LoadChunks(uint8_t* container, size_t size);
// TXTR: makes a texture slot per page and rewrites the page index of every kept TPAG entry to
// its page's slot.
bool Game_LoadTextures(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Keeps the bytes of the debug-information file and the tables it holds; false when damaged.
bool Game_LoadDebugFile(std::vector<uint8_t> bytes);
// The options file beside a game path ("" when the path has no directory part) and its debug
// file (the extension of the file's own name replaced by ".wxdebug"; "" without one).
std::string Game_OptionsFilePath(const std::string& gamePath);
std::string Game_DebugFilePath(const std::string& gamePath);
// Registers every group of built-in script functions in their fixed order.
void InitTLLFunctions();
// Frees what the load kept (teardown).
void Runner_FreeGameData();

// Called with each chunk's tag and the name of the loader it is handed to, before the loader
// runs; null to stop. Lets diagnostics and tests follow the routing.
using ChunkLoaderObserver = void (*)(const char* tag, const char* loader);
void Game_SetChunkLoaderObserver(ChunkLoaderObserver observer);

// Shows the open-file dialog for a game; a memory-manager copy of the chosen path, or null when
// none was chosen (always null with -headless or without a display).
char* Win32_ChooseGameFile();
