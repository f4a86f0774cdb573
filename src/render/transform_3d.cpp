#include "render/transform_3d.h"

#include <algorithm>
#include <cmath>

#include "render/frame.h"
#include "render/render_setters.h"
#include "render/vertex_batch.h"

GR_TransformState g_GR_Transform;

namespace {

constexpr float kPi = 3.1415927f;

void SetWorld(const Matrix44& m) {
  GR_SetMatrix(kMatrixWorld, m);
  GR_InvalidateCullRect();
}

// The added transform applies after those already in the world matrix.
void AddToWorld(const Matrix44& m) {
  Matrix44 world;
  GR_GetMatrix(kMatrixWorld, &world);
  Matrix_Multiply(&world, world, m);
  SetWorld(world);
}

// The matrix a builder writes.
template <typename... Args>
Matrix44 Built(void (*builder)(Matrix44*, Args...), Args... args) {
  Matrix44 m;
  builder(&m, args...);
  return m;
}

Matrix44 AxisRotation(float x, float y, float z, float angle) {
  Vector3 axis{x, y, z};
  Matrix44 m;
  // The axis rotation turns the other way: negated, every script rotation turns alike.
  Matrix_SetRotationAxis(&m, &axis, -angle);
  return m;
}

void SetOrthoOrPerspectiveView(float x, float y, float w, float h, float r, float eyeZ) {
  const float cx = x + w / 2.0f;
  const float cy = y + h / 2.0f;
  Matrix44 view;
  Matrix_LookAtLH(&view, {cx, cy, eyeZ}, {cx, cy, 0.0f}, {std::sin(r), std::cos(r), 0.0f});
  GR_SetMatrix(kMatrixView, view);
}

}  // namespace

bool GR_Set3DMode(bool on) {
  if (on != g_RenderLogical.threeD) {
    GraphicsFlush();
    g_RenderLogical.threeD = on;
    GR_SetPerspective(on);
    GR_SetHidden(on);
  }
  return true;
}

bool GR_Get3DMode() { return g_RenderLogical.threeD; }

void GR_SetDepth(float depth) {
  g_GR_Transform.depth = g_RenderLogical.threeD ? std::clamp(depth, -16000.0f, 16000.0f) : 0.0f;
}

float GR_GetDepth() { return g_GR_Transform.depth; }

void GR_SetProjection(float fromX, float fromY, float fromZ, float toX, float toY, float toZ, float upX, float upY,
                      float upZ) {
  Matrix44 view;
  Matrix_LookAtLH(&view, {fromX, fromY, fromZ}, {toX, toY, toZ}, {upX, upY, upZ});
  GR_SetMatrix(kMatrixView, view);
}

void GR_SetProjectionExt(float fromX, float fromY, float fromZ, float toX, float toY, float toZ, float upX, float upY,
                         float upZ, float angle, float aspect, float nearZ, float farZ) {
  GR_SetProjection(fromX, fromY, fromZ, toX, toY, toZ, upX, upY, upZ);
  g_GR_View.projection = GR_ProjectionRecord{nearZ, farZ, false};
  Matrix44 projection;
  Matrix_PerspectiveFovLH(&projection, angle * 0.01745329238474369f, aspect, nearZ, farZ);
  GR_SetMatrix(kMatrixProjection, projection);
  g_GR_View.customProjection = false;
}

void GR_SetProjectionOrtho(float x, float y, float w, float h, float angle) {
  SetOrthoOrPerspectiveView(x, y, w, h, -angle * kPi / 180.0f, -16000.0f);
  g_GR_View.projection = GR_ProjectionRecord{1.0f, 32000.0f, true};
  Matrix44 projection;
  Matrix_OrthoLH(&projection, w, -h, 1.0f, 32000.0f);
  GR_SetMatrix(kMatrixProjection, projection);
  g_GR_View.customProjection = true;
}

void GR_SetProjectionPerspective(float x, float y, float w, float h, float angle) {
  SetOrthoOrPerspectiveView(x, y, w, h, -angle * 0.01745329238474369f, -w);
  g_GR_View.projection = GR_ProjectionRecord{1.0f, 32000.0f, false};
  Matrix44 projection;
  Matrix_PerspectiveLH(&projection, 1.0f, h / w, 1.0f, 32000.0f);
  GR_SetMatrix(kMatrixProjection, projection);
  g_GR_View.customProjection = false;
}

void GR_TransformSetIdentity() { SetWorld(Matrix_Identity()); }
void GR_TransformSetTranslation(float x, float y, float z) { SetWorld(Built(Matrix_SetTranslation, x, y, z)); }
void GR_TransformSetScaling(float x, float y, float z) { SetWorld(Built(Matrix_SetScaling, x, y, z)); }
void GR_TransformSetRotationX(float angle) { SetWorld(Built(Matrix_SetRotationX, angle)); }
void GR_TransformSetRotationY(float angle) { SetWorld(Built(Matrix_SetRotationY, angle)); }
void GR_TransformSetRotationZ(float angle) { SetWorld(Built(Matrix_SetRotationZ, angle)); }
void GR_TransformSetRotationAxis(float x, float y, float z, float angle) { SetWorld(AxisRotation(x, y, z, angle)); }
void GR_TransformAddTranslation(float x, float y, float z) { AddToWorld(Built(Matrix_SetTranslation, x, y, z)); }
void GR_TransformAddScaling(float x, float y, float z) { AddToWorld(Built(Matrix_SetScaling, x, y, z)); }
void GR_TransformAddRotationX(float angle) { AddToWorld(Built(Matrix_SetRotationX, angle)); }
void GR_TransformAddRotationY(float angle) { AddToWorld(Built(Matrix_SetRotationY, angle)); }
void GR_TransformAddRotationZ(float angle) { AddToWorld(Built(Matrix_SetRotationZ, angle)); }
void GR_TransformAddRotationAxis(float x, float y, float z, float angle) { AddToWorld(AxisRotation(x, y, z, angle)); }

void GR_TransformStackClear() { g_GR_Transform.top = -1; }

bool GR_TransformStackEmpty() { return g_GR_Transform.top < 0; }

bool GR_TransformStackPush() {
  GR_TransformState& t = g_GR_Transform;
  if (t.top >= kWorldStackSize - 1) return false;
  ++t.top;
  GR_GetMatrix(kMatrixWorld, &t.stack[t.top]);
  return true;
}

bool GR_TransformStackPop() {
  GR_TransformState& t = g_GR_Transform;
  if (t.top < 0) return false;
  SetWorld(t.stack[t.top]);
  --t.top;
  return true;
}

bool GR_TransformStackTop() {
  GR_TransformState& t = g_GR_Transform;
  if (t.top < 0) return false;
  SetWorld(t.stack[t.top]);
  return true;
}

bool GR_TransformStackDiscard() {
  GR_TransformState& t = g_GR_Transform;
  if (t.top < 0) return false;
  --t.top;
  return true;
}

void GR_TransformVertex(float* x, float* y, float* z) {
  Matrix44 world;
  GR_GetMatrix(kMatrixWorld, &world);
  const Vector3 p = Matrix_TransformPoint(world, {*x, *y, *z});
  *x = p.x;
  *y = p.y;
  *z = p.z;
}
