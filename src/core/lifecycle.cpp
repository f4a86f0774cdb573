#include "core/lifecycle.h"

// The registries are not built yet: nothing is registered, so nothing needs setting up or freeing.
void Constant_InitBuiltins() {}
void Constant_Free() {}
void Builtin_Shutdown() {}
void Code_Shutdown() {}
void Variable_InitGlobalFlags() {}
void Variable_NamesShutdown() {}
void Variable_Shutdown() {}
void Script_Shutdown() {}
