#include "functions/load_stand_in.h"

// STAND-IN: the action and miscellaneous groups register nothing yet.
void InitActionFunctions() {}
void InitMiscFunctions() {}
