// Where the interpreter is, for runtime error reports.
#pragma once

#include "runtime/error_position.h"

// Fills `position` for the byte code being interpreted; false when no byte code runs.
bool VM_GetErrorPosition(VMErrorPosition* position);
