// What the host uses of connectivity and platform services: the external-calls switch, the
// remote debugger's start-up hook and start-paused flag, the profiler, and the first steps of
// the teardown.
#pragma once

#include <cstdint>

// Set by "-ext": calls of external library functions return at once.
extern bool Extension_CallsDisabled;

// The remote debugger asked to start paused; only the debugger's tick clears it.
extern bool Debug_StartPaused;
void Debug_InitRemoteInterface();

// Profiling is active / dumps are written to a file.
extern bool Profiler_Enabled;
extern bool Profiler_Dumping;
void Profiler_Init(const char* dumpFile, int32_t interval);
void Profiler_DumpToFile();
void Profiler_Shutdown();

void WexaFunctions_Shutdown();
void Network_Shutdown();
void Steam_Shutdown();
