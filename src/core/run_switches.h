// Process-wide switches that the command line sets and many modules read.
#pragma once

#include <string>

// -headless: no echo to standard output, no dialogs.
extern bool g_IsHeadless;
// Set while a remote debugger captures console output.
extern bool g_DebuggerCaptureOutput;
// Where captured console lines go; the debugger installs it at start-up (null: nowhere).
using ConsoleCaptureFn = void (*)(const char* line);
void Console_SetCaptureHook(ConsoleCaptureFn capture);

// The log files named by -output and -debugoutput; empty when none was named.
extern std::string g_OutputFileName;
extern std::string g_DebugOutputFileName;

void Console_SetHeadless(bool headless);
void Console_SetOutputFile(const char* path);       // null or "" clears it
void Console_SetDebugOutputFile(const char* path);  // null or "" clears it
