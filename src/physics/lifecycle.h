// What the host uses of physics.
#pragma once

// Installs the runner's handler for the physics library's failed checks ("-debug", or a non-zero
// "Debug" in options.ini).
void Physics_InstallAssertHandler();
bool Physics_AssertHandlerInstalled();
// A failed check (condition false): reported through the error reporter, not fatal, when the
// handler is installed. The caller refuses the call either way, since the library would stop the
// program on it.
void Physics_AssertHandler(bool condition, const wchar_t* message);
