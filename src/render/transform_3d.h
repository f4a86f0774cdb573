// Three-dimensional mode, the drawing depth of two-dimensional vertices, the projection setters
// and the world matrix with its stack.
#pragma once

#include <cstdint>

#include "render/matrix.h"

inline constexpr int32_t kWorldStackSize = 51;

struct GR_TransformState {
  // The z of every vertex the two-dimensional drawing emits.
  float depth = 0.0f;
  Matrix44 stack[kWorldStackSize];
  int32_t top = -1;  // -1 when empty
};
extern GR_TransformState g_GR_Transform;

// Always true. Switching flushes and sets perspective and hidden-surface removal to the new mode.
bool GR_Set3DMode(bool on);
bool GR_Get3DMode();
// 0 outside three-dimensional mode; inside it the depth held to -16000..16000.
void GR_SetDepth(float depth);
float GR_GetDepth();

void GR_SetProjection(float fromX, float fromY, float fromZ, float toX, float toY, float toZ, float upX, float upY,
                      float upZ);
void GR_SetProjectionExt(float fromX, float fromY, float fromZ, float toX, float toY, float toZ, float upX, float upY,
                         float upZ, float angle, float aspect, float nearZ, float farZ);
void GR_SetProjectionOrtho(float x, float y, float w, float h, float angle);
void GR_SetProjectionPerspective(float x, float y, float w, float h, float angle);

void GR_TransformSetIdentity();
void GR_TransformSetTranslation(float x, float y, float z);
void GR_TransformSetScaling(float x, float y, float z);
void GR_TransformSetRotationX(float angle);
void GR_TransformSetRotationY(float angle);
void GR_TransformSetRotationZ(float angle);
void GR_TransformSetRotationAxis(float x, float y, float z, float angle);
void GR_TransformAddTranslation(float x, float y, float z);
void GR_TransformAddScaling(float x, float y, float z);
void GR_TransformAddRotationX(float angle);
void GR_TransformAddRotationY(float angle);
void GR_TransformAddRotationZ(float angle);
void GR_TransformAddRotationAxis(float x, float y, float z, float angle);

void GR_TransformStackClear();
bool GR_TransformStackEmpty();
bool GR_TransformStackPush();
bool GR_TransformStackPop();
bool GR_TransformStackTop();
bool GR_TransformStackDiscard();
// (x, y, z, 1) times the world matrix, without a division by w.
void GR_TransformVertex(float* x, float* y, float* z);
