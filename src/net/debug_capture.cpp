#include "net/debug_capture.h"

// No remote debugger can attach yet, so captured text has nowhere to go.
void Debug_CaptureOutput(const char*) {}
