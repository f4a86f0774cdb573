// STAND-IN until motion planning and its grids are built: the planners and the grids the game
// functions call. A planner finds no way (false, the instance and the path untouched); no grid is
// ever made, so every grid operation finds none.
#pragma once

#include <cstdint>

class CInstance;
class CPath;

bool MP_LinearStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);
bool MP_LinearPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);
bool MP_PotentialStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);
bool MP_PotentialPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, float factor,
                      int32_t obj, bool checkAll);
void MP_PotentialSettings(float maxRotation, float rotationStep, float ahead, bool onSpot);

int32_t MPGrid_Create(float left, float top, int32_t hcells, int32_t vcells, float cellWidth, float cellHeight);
void MPGrid_Destroy(int32_t id);
void MPGrid_ClearAll(int32_t id);
void MPGrid_ClearCell(int32_t id, int32_t h, int32_t v);
void MPGrid_ClearRectangle(int32_t id, float x1, float y1, float x2, float y2);
void MPGrid_AddCell(int32_t id, int32_t h, int32_t v);
int32_t MPGrid_GetCell(int32_t id, int32_t h, int32_t v);
void MPGrid_AddRectangle(int32_t id, float x1, float y1, float x2, float y2);
void MPGrid_AddInstance(int32_t id, CInstance* instance, bool precise);
bool MPGrid_Path(int32_t id, CPath* path, float xstart, float ystart, float xgoal, float ygoal, bool diagonal);
void MPGrid_Draw(int32_t id);
void MPGrid_ToDsGrid(int32_t source, int32_t destination);
