// The registrars of the groups not built yet register nothing.
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
