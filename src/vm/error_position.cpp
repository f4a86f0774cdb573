#include "vm/error_position.h"

// The interpreter loop is not built yet, so byte code never runs.
bool VM_GetErrorPosition(VMErrorPosition*) { return false; }
