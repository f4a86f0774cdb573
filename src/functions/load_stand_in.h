// The registrars of the script-function groups, which loading a game calls in a fixed order, and
// the reading of the high-score table.
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
