#include "vm/lifecycle.h"

#include "vm/calls.h"
#include "vm/chunk_loaders.h"
#include "vm/interpreter.h"

void VM_Shutdown() {
  WithList_Free();
  VM_FreeStacks();
  VM_FreeStringTableRecords();
}
