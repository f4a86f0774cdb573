// Start-up and teardown entry points of the core registries (named constants, built-in functions,
// code objects, variable names, scripts) that the host calls in its fixed order.
#pragma once

#include "vm/constants.h"         // Constant_InitBuiltins, Constant_Free
#include "core/function_registry.h" // Builtin_Shutdown
#include "vm/variable_names.h"    // Variable_InitGlobalFlags, Variable_NamesShutdown, Variable_Shutdown

// Code_Shutdown frees the code slots; Script_Shutdown deletes every script.
void Code_Shutdown();
void Script_Shutdown();
