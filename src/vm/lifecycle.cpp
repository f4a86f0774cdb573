#include "vm/lifecycle.h"

// The interpreter is not built yet: it keeps no state to prepare or free.
void VM_Init() {}
void VM_Shutdown() {}
