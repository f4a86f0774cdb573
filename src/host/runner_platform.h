// Process-level paths of the running game and the message pump.
#pragma once

// The absolute path of the game data file; null while none is known.
const char* Runner_GetGameFilePath();
// Copies the path (null forgets it) and forgets the cached program directory.
void Runner_SetGameFilePath(const char* path);

// The directory of the game file with a trailing '/', computed on first use and cached.
const char* Win32_GetProgramDirectory();

// Dispatches every pending window message without waiting.
void Win32_PumpMessages();
// Until the window layer drives the pump, whoever needs to see it run (tests) installs a hook.
void Win32_SetPumpMessagesHook(void (*hook)());
