// The runner's entry point and restart loop, and the host state they share with the frame loop,
// the loader and the script functions that start another game.
#pragma once

#include <cstdint>
#include <string>

struct HostState {
  // Cleared at the top of every pass; set when another pass must run.
  bool restart = true;
  // Cleared at the end of every pass (wxg_player_restarted is true once it is clear).
  bool firstPass = true;
  // 1 while the main loop runs; only 0 and 1 are ever stored.
  uint8_t running = 0;
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

// Memory-manager copies of texts; Host_ReplaceText frees the old text of the slot first.
char* Host_DupText(const char* text);
// The first `length` bytes of `text`, terminated.
char* Host_DupTextN(const char* text, size_t length);
void Host_ReplaceText(char** slot, const char* text);
void Host_FreeText(char** slot);

// Runs the restart loop on the command line (program path first) and returns the exit code.
int WinMain(const char* commandLine);

// Ends the process with the exit code in the middle of a game (the headless end after a room's
// creation code). Inside the runner's loop the game is taken down first as at its normal end,
// without its end events: room copies, tables, files written, the temporary directory removed.
// Elsewhere (a test's world) it only asks the end-process hook.
void Runner_EndProcess(int exitCode);

// Prepares the next pass when another game was asked for or this one has a game to return to.
void Runner_PrepareRelaunch();
