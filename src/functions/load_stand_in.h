// STAND-IN until the script-function groups are built: the registrars that loading a game
// calls register nothing yet, and the high-score table is not read.
#pragma once

void Score_Load();
void InitGraphicFunctions();
void InitActionFunctions();
void InitFileFunctions();
void InitResourceFunctions();
void InitInteractionFunctions();
void Init3DFunctions();
void InitMiscFunctions();
void InitDSFunctions();
void InitBufferFunctions();
