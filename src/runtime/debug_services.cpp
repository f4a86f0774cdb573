#include "runtime/debug_services.h"

// The profiler has no tables, no debugger can connect, no socket, Steam or platform queue exists
// and no extension is loaded yet: the hooks have nothing to record or poll.
void Profiler_FrameStart() {}
void Profiler_FrameEnd() {}
void Profiler_BeginStep() {}
void Profiler_EndStep() {}
void Profiler_Enter(int32_t, int32_t) {}
void Profiler_Leave() {}
int64_t Profiler_OwnTime() { return 0; }
void Debug_Tick() {}
bool Debug_IsConnected() { return false; }
void Debug_StartServiceThread() {}
void Debug_StopServiceThread() {}
void Debug_SetErrorText(const char*) {}
int Debug_WaitWhilePaused() { return 0; }
void Network_Tick() {}
void Steam_Tick() {}
void WexaFunctions_Tick() {}
bool Extension_RunFinalFunctions() { return true; }
bool Extension_Prepare() { return true; }
bool Extension_RunInitFunctions() { return true; }
