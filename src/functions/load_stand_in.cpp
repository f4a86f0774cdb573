#include "functions/load_stand_in.h"

// STAND-IN: the action group registers nothing yet.
void InitActionFunctions() {}
