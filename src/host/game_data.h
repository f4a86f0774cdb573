// Finding, reading and loading the game data container, as start-up and teardown call it.
#pragma once

#include <cstddef>
#include <cstdint>

// What start-up needs of the game header before the window exists.
struct GameHeaderInfo {
  int32_t windowWidth = 0;
  int32_t windowHeight = 0;
  uint32_t displayFlags = 0;
  // Display-mode switch at start: whether to switch, and the option codes
  // (colour depth, resolution, frequency; 0 leaves a value unchanged).
  bool switchDisplayMode = false;
  int32_t colourDepthCode = 0;
  int32_t resolutionCode = 0;
  int32_t frequencyCode = 0;
};
const GameHeaderInfo& Game_Header();

// Finds the game file (asking for one when none was named), reads it and keeps its bytes.
// Without a game file, or when it cannot be read, the process ends with exit code 1 (a game
// launched by another game ends instead). The result is not meaningful.
bool RunnerLoadGame();
// The container bytes read by RunnerLoadGame; null when there are none.
const uint8_t* Game_Container();
size_t Game_ContainerSize();
// Pre-scan of the header chunks before the window exists.
void Game_ScanHeader(const uint8_t* container, size_t size);
// Loads every chunk; false when the container cannot be loaded.
bool LoadGameData();
// Frees what the load kept (teardown).
void Runner_FreeGameData();

// Shows the open-file dialog for a game; a memory-manager copy of the chosen path, or null when
// none was chosen (always null with -headless or without a display).
char* Win32_ChooseGameFile();
