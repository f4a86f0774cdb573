#include "functions/motion_planning_stand_in.h"

bool MP_LinearStep(CInstance*, float, float, float, int32_t, bool) { return false; }
bool MP_LinearPath(CInstance*, CPath*, float, float, float, int32_t, bool) { return false; }
bool MP_PotentialStep(CInstance*, float, float, float, int32_t, bool) { return false; }
bool MP_PotentialPath(CInstance*, CPath*, float, float, float, float, int32_t, bool) { return false; }
void MP_PotentialSettings(float, float, float, bool) {}

int32_t MPGrid_Create(float, float, int32_t, int32_t, float, float) { return -1; }
void MPGrid_Destroy(int32_t) {}
void MPGrid_ClearAll(int32_t) {}
void MPGrid_ClearCell(int32_t, int32_t, int32_t) {}
void MPGrid_ClearRectangle(int32_t, float, float, float, float) {}
void MPGrid_AddCell(int32_t, int32_t, int32_t) {}
int32_t MPGrid_GetCell(int32_t, int32_t, int32_t) { return 0; }
void MPGrid_AddRectangle(int32_t, float, float, float, float) {}
void MPGrid_AddInstance(int32_t, CInstance*, bool) {}
bool MPGrid_Path(int32_t, CPath*, float, float, float, float, bool) { return false; }
void MPGrid_Draw(int32_t) {}
void MPGrid_ToDsGrid(int32_t, int32_t) {}
