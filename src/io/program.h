// The host's platform routines: the program's paths, the message pump, platform start-up, the
// unpacking of '@' file names, and the crash handlers of unattended runs.
#pragma once

#include <string>

// Full path of the program file, computed on first use and kept.
const char* Win32_GetExePath();
// Directory of the game file with a trailing '/', computed on first use and kept until the end
// of the pass; the program's own directory while no game file is known.
const char* Win32_GetProgramDirectory();
void Win32_ForgetProgramDirectory();

// The absolute, normalised form of a path (relative paths are taken from the working directory).
std::string Win32_GetFullPath(const char* path);

// Dispatches every pending window message without waiting; WM_QUIT, or a quit signal (below),
// stops the pump and the main loop.
void Win32_PumpMessages();
// Lets tests see the pump run inside modal waits; called at the start of every pump.
void Win32_SetPumpMessagesHook(void (*hook)());
// The open modeless dialog's poll, which every pump calls after the window's messages; null
// while none is open.
void Win32_SetModelessDialog(void (*poll)());

// The absolute path of the game data file; null while none is known.
const char* Runner_GetGameFilePath();
// Copies the path (null forgets it) and forgets the cached program directory.
void Runner_SetGameFilePath(const char* path);
// Asks the main loop to stop (posts WM_QUIT).
void Win32_PostQuit();

// Platform start-up of every pass: zeroes the current pointer table.
void Win32_InitPlatform();

// Unpacks '@' file names in the program's directory: "saves@slot@one" becomes saves/slot/one,
// creating the directories on the way. Only regular files that are neither hidden nor read-only
// are moved; a name with a leading '@', an empty, "." or ".." part is left alone, and an existing
// file is never replaced.
void Win32_MoveAtFiles();
void Win32_MoveAtFilesIn(const char* directory);
// Unpacks one name inside `directory`; true when the file was moved.
bool Win32_MoveAtFile(const char* directory, const char* name);

// The unattended crash handlers: a crash prints "Exception detected during the unit tests!" on
// standard output and ends the process with exit code 1 instead of leaving a core or a dialog.
void Win32_InstallHeadlessHandlers();

// SIGINT and SIGTERM end the game as closing its window does: the next message pump drops the
// running flag, and the main loop ends with the usual teardown (exit code 0). The request stays:
// no game is relaunched or returned to after it. A second SIGINT or SIGTERM takes the default
// action and ends the process wherever it is.
void Win32_InstallQuitSignalHandlers();
// True once SIGINT or SIGTERM arrived.
bool Win32_QuitSignalled();
