#include "vm/registry_lifecycle.h"

#include "vm/script_table.h"
#include "vm/code_object.h"

// Code objects belong to their owners (events, rooms, scripts); only the slot array is the code
// table's own.
void Code_Shutdown() { Code_FreeSlots(); }
void Script_Shutdown() { Script_DeleteAll(); }
