// The desktop's "zenity" helper, which shows the runner's file and text dialogs.
//
// The helper is started directly (never through a shell), each setting its own argument, with its
// standard output read back through a pipe. A dialog can be waited for, or left open and polled
// while the game goes on; one that is still open when the game ends is ended with it.
#pragma once

#include <string>
#include <vector>

struct ZenityChild {
  int pid = -1;  // -1: not running
  int output = -1;
  std::string text;  // what it printed so far
};

// Starts "zenity" with the arguments (without the program name). False when it could not be
// started (not installed).
bool Zenity_Start(const std::vector<std::string>& args, ZenityChild* child);
// Reads what the child printed and tests whether it ended, without waiting. True once it ended:
// *exitCode is its exit code (-1 when it was killed) and *text what it printed.
bool Zenity_Poll(ZenityChild* child, int* exitCode, std::string* text);
// Waits for the child's end; the same results as Zenity_Poll.
void Zenity_Wait(ZenityChild* child, int* exitCode, std::string* text);
// Ends a child that is still running and reaps it.
void Zenity_End(ZenityChild* child);
