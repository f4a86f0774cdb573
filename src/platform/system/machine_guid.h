// The machine's identity as the runner reads it: the text of /etc/machine-id without its line
// break, or "NOT SUPPORTED" when that cannot be read. Save data bound to the machine is keyed on it.
#pragma once

#include <string>

// The identity; read once and kept.
std::string OS_GetMachineGuid();

// Tests: answer this text from now on instead of the file's (null goes back to the file).
void OS_SetMachineGuidForTesting(const char* guid);
