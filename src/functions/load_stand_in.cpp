#include "functions/load_stand_in.h"

// STAND-IN: no function table exists yet.
void Score_Load() {}
void InitGraphicFunctions() {}
void InitActionFunctions() {}
void InitResourceFunctions() {}
void InitInteractionFunctions() {}
void Init3DFunctions() {}
void InitMiscFunctions() {}
