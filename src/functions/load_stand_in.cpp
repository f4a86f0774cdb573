#include "functions/load_stand_in.h"

#include "functions/screen_capture.h"

// STAND-IN: no function table exists yet.
void Score_Load() {}
// Of the graphics group only the screen save exists so far.
void InitGraphicFunctions() { Screen_RegisterFunctions(1); }
void InitActionFunctions() {}
void InitResourceFunctions() {}
void InitInteractionFunctions() {}
void Init3DFunctions() {}
void InitMiscFunctions() {}
