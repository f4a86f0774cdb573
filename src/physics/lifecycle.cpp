#include "physics/lifecycle.h"

namespace {
bool g_assertHandlerInstalled = false;
}

// The physics world is not built yet; the flag is kept so that the world installs the handler
// into the library when it starts.
void Physics_InstallAssertHandler() { g_assertHandlerInstalled = true; }
bool Physics_AssertHandlerInstalled() { return g_assertHandlerInstalled; }
