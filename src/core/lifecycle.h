// Start-up and teardown entry points of the core registries (named constants, built-in functions,
// code objects, variable names, scripts) that the host calls in its fixed order.
//
// Until the registries land these hold nothing, so each step has nothing to set up or free.
#pragma once

void Constant_InitBuiltins();
void Constant_Free();
void Builtin_Shutdown();
void Code_Shutdown();
void Variable_InitGlobalFlags();
void Variable_NamesShutdown();
void Variable_Shutdown();
void Script_Shutdown();
