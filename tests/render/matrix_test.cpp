// Matrix maths: products, rotations, the look-at and projection builders, and inversion.
#include <gtest/gtest.h>

#include "render/matrix.h"

namespace {

void ExpectNear(const Matrix44& a, const Matrix44& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "entry " << i;
}

TEST(MatrixTest, TheIdentityOnEitherSideOfAProductReturnsTheOther) {
  Matrix44 m;
  for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i * 3 - 7);
  Matrix44 out;
  Matrix_Multiply(&out, Matrix_Identity(), m);
  ExpectNear(out, m, 0);
  Matrix_Multiply(&out, m, Matrix_Identity());
  ExpectNear(out, m, 0);
}

TEST(MatrixTest, TranslationThenRotationZMapsTheOriginAfterTranslating) {
  Matrix44 t, r, both;
  Matrix_SetTranslation(&t, 1, 2, 3);
  Matrix_SetRotationZ(&r, 90);
  Matrix_Multiply(&both, t, r);
  const Vector3 p = Matrix_TransformPoint(both, {0, 0, 0});
  EXPECT_NEAR(p.x, 2, 1e-5);
  EXPECT_NEAR(p.y, -1, 1e-5);
  EXPECT_NEAR(p.z, 3, 1e-5);
  const Vector3 q = Matrix_TransformPoint(r, {1, 0, 0});
  EXPECT_NEAR(q.x, 0, 1e-6);
  EXPECT_NEAR(q.y, -1, 1e-6);
}

TEST(MatrixTest, AnAxisRotationTurnsTheOtherWayFromTheSingleAxisOnes) {
  const struct {
    Vector3 axis;
    void (*single)(Matrix44*, float);
  } cases[] = {{{0, 0, 1}, Matrix_SetRotationZ}, {{0, 2, 0}, Matrix_SetRotationY}, {{3, 0, 0}, Matrix_SetRotationX}};
  for (const auto& c : cases) {
    Vector3 axis = c.axis;
    Matrix44 byAxis, single;
    Matrix_SetRotationAxis(&byAxis, &axis, -90);
    c.single(&single, 90);
    ExpectNear(byAxis, single);
    EXPECT_NEAR(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z, 1.0f, 1e-6);  // normalised in place
  }
}

TEST(MatrixTest, LookAtAndProjectionBuilders) {
  Matrix44 look;
  Matrix_LookAtLH(&look, {0, 0, -10}, {0, 0, 0}, {0, 1, 0});
  Matrix44 expected = Matrix_Identity();
  expected.m[14] = 10;
  ExpectNear(look, expected);

  Matrix44 ortho;
  Matrix_OrthoLH(&ortho, 640, -480, 1, 32000);
  EXPECT_FLOAT_EQ(ortho.m[5], -1.0f / 240.0f);
  EXPECT_FLOAT_EQ(ortho.m[0], 2.0f / 640.0f);
  EXPECT_FLOAT_EQ(ortho.m[14], 1.0f / (1.0f - 32000.0f));

  Matrix44 perspective;
  Matrix_PerspectiveLH(&perspective, 1, 0.75f, 1, 32000);
  EXPECT_FLOAT_EQ(perspective.m[0], 2.0f);
  EXPECT_FLOAT_EQ(perspective.m[11], 1.0f);
  EXPECT_FLOAT_EQ(perspective.m[15], 0.0f);
  Matrix44 fov;
  Matrix_PerspectiveFovLH(&fov, 3.1415927f / 2, 2, 1, 101);
  EXPECT_NEAR(fov.m[5], 1.0f, 1e-6);
  EXPECT_NEAR(fov.m[0], 0.5f, 1e-6);
  EXPECT_NEAR(fov.m[14], -101.0f / 100.0f, 1e-6);
}

TEST(MatrixTest, InversionUndoesAMatrixAndRefusesASingularOne) {
  Matrix44 t, r, m;
  Matrix_SetTranslation(&t, 5, -3, 2);
  Matrix_SetRotationZ(&r, 30);
  Matrix_Multiply(&m, t, r);
  Matrix44 inverse = m;
  ASSERT_TRUE(Matrix_Invert(&inverse));
  Matrix44 product;
  Matrix_Multiply(&product, m, inverse);
  ExpectNear(product, Matrix_Identity());

  Matrix44 singular;
  Matrix_SetScaling(&singular, 1, 0, 1);
  const Matrix44 before = singular;
  EXPECT_FALSE(Matrix_Invert(&singular));
  ExpectNear(singular, before, 0);
}

}  // namespace
