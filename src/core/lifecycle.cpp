#include "core/lifecycle.h"

// Code objects and scripts are not built yet: nothing is made, so nothing needs freeing.
void Code_Shutdown() {}
void Script_Shutdown() {}
