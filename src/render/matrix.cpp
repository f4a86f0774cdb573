#include "render/matrix.h"

#include <cmath>

namespace {

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The 3x3 determinant of the rows and columns of m that are not r and c.
double Minor(const double* m, int r, int c) {
  double e[9];
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    if (i == r) continue;
    for (int j = 0; j < 4; ++j) {
      if (j != c) e[k++] = m[i * 4 + j];
    }
  }
  return e[0] * (e[4] * e[8] - e[5] * e[7]) - e[1] * (e[3] * e[8] - e[5] * e[6]) + e[2] * (e[3] * e[7] - e[4] * e[6]);
}

}  // namespace

Matrix44 Matrix_Identity() {
  Matrix44 m;
  m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
  return m;
}

void Vector3_Normalise(Vector3* v) {
  const float length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  v->x /= length;
  v->y /= length;
  v->z /= length;
}

void Vector3_Normalised(const Vector3& v, Vector3* out) {
  *out = v;
  Vector3_Normalise(out);
}

void Matrix_Multiply(Matrix44* out, const Matrix44& a, const Matrix44& b) {
  Matrix44 r;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      long double sum = 0;
      for (int k = 0; k < 4; ++k) sum += static_cast<long double>(a.m[row * 4 + k]) * b.m[k * 4 + col];
      r.m[row * 4 + col] = static_cast<float>(sum);
    }
  }
  *out = r;
}

void Matrix_SetTranslation(Matrix44* m, float x, float y, float z) {
  *m = Matrix_Identity();
  m->m[12] = x;
  m->m[13] = y;
  m->m[14] = z;
}

void Matrix_SetScaling(Matrix44* m, float x, float y, float z) {
  *m = Matrix44{};
  m->m[0] = x;
  m->m[5] = y;
  m->m[10] = z;
  m->m[15] = 1.0f;
}

void Matrix_SetRotationX(Matrix44* m, float degrees) {
  const float a = degrees * kDegreesToRadians;
  const float c = std::cos(a), s = std::sin(a);
  *m = Matrix44{};
  m->m[0] = 1.0f;
  m->m[5] = c;
  m->m[6] = -s;
  m->m[9] = s;
  m->m[10] = c;
  m->m[15] = 1.0f;
}

void Matrix_SetRotationY(Matrix44* m, float degrees) {
  const float a = degrees * kDegreesToRadians;
  const float c = std::cos(a), s = std::sin(a);
  *m = Matrix44{};
  m->m[0] = c;
  m->m[2] = s;
  m->m[5] = 1.0f;
  m->m[8] = -s;
  m->m[10] = c;
  m->m[15] = 1.0f;
}

void Matrix_SetRotationZ(Matrix44* m, float degrees) {
  const float a = degrees * kDegreesToRadians;
  const float c = std::cos(a), s = std::sin(a);
  *m = Matrix44{};
  m->m[0] = c;
  m->m[1] = -s;
  m->m[4] = s;
  m->m[5] = c;
  m->m[10] = 1.0f;
  m->m[15] = 1.0f;
}

void Matrix_SetRotationAxis(Matrix44* m, Vector3* axis, float degrees) {
  Vector3_Normalise(axis);
  const float a = degrees * kDegreesToRadians;
  const float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
  const float x = axis->x, y = axis->y, z = axis->z;
  *m = Matrix44{};
  m->m[0] = c + t * x * x;
  m->m[1] = t * x * y + s * z;
  m->m[2] = t * x * z - s * y;
  m->m[4] = t * x * y - s * z;
  m->m[5] = c + t * y * y;
  m->m[6] = t * y * z + s * x;
  m->m[8] = t * x * z + s * y;
  m->m[9] = t * y * z - s * x;
  m->m[10] = c + t * z * z;
  m->m[15] = 1.0f;
}

void Matrix_LookAtLH(Matrix44* m, const Vector3& eye, const Vector3& at, const Vector3& up) {
  Vector3 z;
  Vector3_Normalised({at.x - eye.x, at.y - eye.y, at.z - eye.z}, &z);
  Vector3 upUnit;
  Vector3_Normalised(up, &upUnit);
  Vector3 x;
  Vector3_Normalised(Cross(upUnit, z), &x);
  Vector3 y;
  Vector3_Normalised(Cross(z, x), &y);
  *m = Matrix44{};
  m->m[0] = x.x, m->m[1] = y.x, m->m[2] = z.x;
  m->m[4] = x.y, m->m[5] = y.y, m->m[6] = z.y;
  m->m[8] = x.z, m->m[9] = y.z, m->m[10] = z.z;
  m->m[12] = -Dot(x, eye);
  m->m[13] = -Dot(y, eye);
  m->m[14] = -Dot(z, eye);
  m->m[15] = 1.0f;
}

void Matrix_PerspectiveFovLH(Matrix44* m, float fovRadians, float aspect, float nearZ, float farZ) {
  const float h = 1.0f / std::tan(fovRadians / 2.0f);
  *m = Matrix44{};
  m->m[0] = h / aspect;
  m->m[5] = h;
  m->m[10] = farZ / (farZ - nearZ);
  m->m[11] = 1.0f;
  m->m[14] = -nearZ * farZ / (farZ - nearZ);
}

void Matrix_PerspectiveLH(Matrix44* m, float width, float height, float nearZ, float farZ) {
  *m = Matrix44{};
  m->m[0] = 2.0f * nearZ / width;
  m->m[5] = 2.0f * nearZ / height;
  m->m[10] = farZ / (farZ - nearZ);
  m->m[11] = 1.0f;
  m->m[14] = -nearZ * farZ / (farZ - nearZ);
}

void Matrix_OrthoLH(Matrix44* m, float width, float height, float nearZ, float farZ) {
  *m = Matrix44{};
  m->m[0] = 2.0f / width;
  m->m[5] = 2.0f / height;
  m->m[10] = 1.0f / (farZ - nearZ);
  m->m[14] = nearZ / (nearZ - farZ);
  m->m[15] = 1.0f;
}

bool Matrix_Invert(Matrix44* m) {
  double src[16];
  for (int i = 0; i < 16; ++i) src[i] = m->m[i];
  double cofactor[16];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) cofactor[r * 4 + c] = ((r + c) % 2 == 0 ? 1.0 : -1.0) * Minor(src, r, c);
  }
  // The first row against its own cofactors.
  const double determinant =
      src[0] * cofactor[0] + src[1] * cofactor[1] + src[2] * cofactor[2] + src[3] * cofactor[3];
  if (determinant == 0.0) return false;
  // The inverse is the transposed cofactor matrix over the determinant.
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m->m[r * 4 + c] = static_cast<float>(cofactor[c * 4 + r] / determinant);
  }
  return true;
}

Vector3 Matrix_TransformPoint(const Matrix44& m, const Vector3& p) {
  return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12], p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
          p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}
