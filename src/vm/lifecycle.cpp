#include "vm/lifecycle.h"

#include "vm/calls.h"

void VM_Init() { WithList_Init(); }
void VM_Shutdown() { WithList_Free(); }
