// The runner's entry point and restart loop.
#pragma once

#include "runtime/host_state.h"

// Runs the restart loop on the command line (program path first) and returns the exit code.
int WinMain(const char* commandLine);

// Ends the process with the exit code in the middle of a game (the headless end after a room's
// creation code). Inside the runner's loop the game is taken down first as at its normal end,
// without its end events: room copies, tables, files written, the temporary directory removed.
// Elsewhere (a test's world) it only asks the end-process hook.
void Runner_EndProcess(int exitCode);

// Prepares the next pass when another game was asked for or this one has a game to return to.
void Runner_PrepareRelaunch();

// The end of a pass: frees the run state's texts and paths and the script objects.
void Runner_FreePassGlobals();
