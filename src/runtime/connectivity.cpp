#include "runtime/connectivity.h"

bool Extension_CallsDisabled = false;
bool Debug_StartPaused = false;
bool Profiler_Enabled = false;
bool Profiler_Dumping = false;

// The remote debugger has no start-up work.
void Debug_InitRemoteInterface() {}

// The profiler, sockets, Steam and the achievement cache are not built yet: the profiler takes
// note of a dump file so that the host's dump step runs, and the rest has nothing to free.
void Profiler_Init(const char* dumpFile, int32_t) {
  Profiler_Enabled = true;
  Profiler_Dumping = dumpFile != nullptr;
}
void Profiler_DumpToFile() {}
void Profiler_Shutdown() {
  Profiler_Enabled = false;
  Profiler_Dumping = false;
}
void WexaFunctions_Shutdown() {}
void Network_Shutdown() {}
void Steam_Shutdown() {}
