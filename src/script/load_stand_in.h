// STAND-IN until the script-object runtime is built: what loading a game in script-object mode
// calls of it. Neither makes anything yet.
#pragma once

void JS_InitStandardObjects();
void JS_CreateResourceObject();
