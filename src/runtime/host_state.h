// The state of the runner's passes that the host's entry point, the frame loop, the loader and
// the script functions that start another game share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct HostState {
  // Cleared at the top of every pass; set when another pass must run.
  bool restart = true;
  // Cleared at the end of every pass (wxg_player_restarted is true once it is clear).
  bool firstPass = true;
  // 1 while the main loop runs; only 0 and 1 are ever stored.
  uint8_t running = 0;
  // Set while a pass starts up and runs frames: a quit request (SIGINT, SIGTERM) then stops the
  // code that runs when the interpreter pumps, so that a script that loops without end cannot
  // keep the game from ending.
  bool quitStopsCode = false;
  // Set again when the teardown destroys the main window.
  bool windowDestroyed = true;
  // A game launched by another game runs, with a game to return to: failures that would end
  // the process end this game instead.
  bool subGame = false;
  bool pausedByDebugger = false;
  // Last value given to Runner_SetReleaseMode.
  bool checkingHandlers = true;
  // The process's exit code; a game that failed to load sets 1 and ends the restart loop.
  int exitCode = 0;
};
extern HostState g_Host;

// The command line that the current pass parses (the next pass's after a relaunch is prepared).
extern std::string g_CommandLine;

// Absolute path of the game data file, null while none is known. Memory-manager text.
extern char* g_pGameFilePath;
// The -exit game: the one to return to when this game ends. Memory-manager text or null.
extern char* g_pExitTarget;

// A pending request to run another game (memory-manager texts, null when none is pending).
struct GameChangeRequest {
  char* target = nullptr;
  char* exitTarget = nullptr;
  char* savePrefix = nullptr;
};
extern GameChangeRequest g_GameChange;

// Stores a request to run `target` next, returning to `exitTarget` (null: no return) with the
// save-area prefix `savePrefix`. The frame ends the game while a target is pending.
void Runner_RequestGameChange(const char* target, const char* exitTarget, const char* savePrefix);

// The directory of the game file with its trailing separator; null until made for the pass.
extern char* working_directory;
// The game's project name from the header; the host empties it when returning to a launching game.
extern char* game_project_name;

// Memory-manager copies of texts; Host_ReplaceText frees the old text of the slot first.
char* Host_DupText(const char* text);
// The first `length` bytes of `text`, terminated.
char* Host_DupTextN(const char* text, size_t length);
void Host_ReplaceText(char** slot, const char* text);
void Host_FreeText(char** slot);
