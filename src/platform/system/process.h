// The process and its surroundings: the program's own path, the user's home, child processes and
// the signals that end or crash the runner.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Full path of the running program, "" when it cannot be found.
std::string System_ExecutablePath();
// The user's home directory from the user database, "" when it has none that is absolute.
std::string System_UserHomeDirectory();

// The running kernel's version as major x 65536 + minor, -1 when it cannot be read.
int32_t System_KernelVersion();
// The calling thread's nice value (-20 .. 19, lower runs first). Setting it may be refused: a raise
// above the starting value needs privilege. False when refused.
bool System_SetThreadNice(int32_t nice);
int32_t System_ThreadNice();

// Starts args[0] (looked up in PATH) with the arguments, in `directory` when one is given; the
// child's id goes to *child. False when it could not be started.
bool System_Spawn(const std::vector<std::string>& args, const char* directory, int* child);
// Lets a child end without anyone waiting for it (it leaves no zombie behind).
void System_ReapInBackground(int child);
// True once the child has ended (then reaped), or when it cannot be waited for; never waits.
bool System_ChildEnded(int child);

// SIGINT and SIGTERM only set the quit request; the second one of either takes the default action,
// so a process stuck where the request is never looked at can still be stopped.
void System_InstallQuitSignalHandlers();
bool System_QuitSignalled();
// A crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) writes `notice` to standard output, the
// signal's name and a backtrace to standard error, both to the file `logPath` when given, and
// ends the process with exit code 1. The notice must outlive the process. The sanitizer build
// installs nothing: its own report is the one to read.
void System_InstallCrashHandlers(const char* notice, const char* logPath = nullptr);
