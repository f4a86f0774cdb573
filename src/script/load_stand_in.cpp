#include "script/load_stand_in.h"

// STAND-IN: no standard object exists yet.
void JS_InitStandardObjects() {}
void JS_CreateResourceObject() {}
