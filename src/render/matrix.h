// Vectors and 4x4 matrices as the device uses them: left-handed, row-major, row vectors multiplied
// on the left, so a point is (x, y, z, 1) x M, the translation sits in entries 12-14, and A x B
// applies A first. Angles are degrees unless a name says radians.
#pragma once

#include <cstdint>

struct Vector3 {
  float x = 0;
  float y = 0;
  float z = 0;
};

struct Matrix44 {
  float m[16] = {};  // entry 4 r + c is row r, column c
};

// Degrees to radians with the single-precision factor the renderer has always used.
inline constexpr float kDegreesToRadians = 0.017453292f;

Matrix44 Matrix_Identity();
void Vector3_Normalise(Vector3* v);
void Vector3_Normalised(const Vector3& v, Vector3* out);
// out = a x b; out may be a or b.
void Matrix_Multiply(Matrix44* out, const Matrix44& a, const Matrix44& b);
void Matrix_SetTranslation(Matrix44* m, float x, float y, float z);
void Matrix_SetScaling(Matrix44* m, float x, float y, float z);
void Matrix_SetRotationX(Matrix44* m, float degrees);
void Matrix_SetRotationY(Matrix44* m, float degrees);
void Matrix_SetRotationZ(Matrix44* m, float degrees);
// Normalises the axis in place. Turns the other way from the single-axis rotations for the same angle.
void Matrix_SetRotationAxis(Matrix44* m, Vector3* axis, float degrees);
void Matrix_LookAtLH(Matrix44* m, const Vector3& eye, const Vector3& at, const Vector3& up);
void Matrix_PerspectiveFovLH(Matrix44* m, float fovRadians, float aspect, float nearZ, float farZ);
void Matrix_PerspectiveLH(Matrix44* m, float width, float height, float nearZ, float farZ);
void Matrix_OrthoLH(Matrix44* m, float width, float height, float nearZ, float farZ);
// Inverts in place; false, with the matrix unchanged, when the determinant is exactly 0.
bool Matrix_Invert(Matrix44* m);
// (x, y, z, 1) x m without a division by w.
Vector3 Matrix_TransformPoint(const Matrix44& m, const Vector3& p);
