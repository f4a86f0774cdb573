// The geometry functions of the Math group through the built-in table, and their fast entries.
#include "functions/math_geometry.h"

#include <cmath>
#include <vector>

#include "functions/math_call.h"

namespace {

using namespace math_test;

struct Case {
  const char* name;
  std::vector<double> args;
  double expected;
};

std::vector<RValue> Reals(const std::vector<double>& numbers) {
  std::vector<RValue> values;
  for (const double d : numbers) values.push_back(Real(d));
  return values;
}

using MathGeometryTest = MathTest;

TEST_F(MathGeometryTest, AnswersOfTheEdgeList) {
  const Case cases[] = {
      {"point_distance", {0, 0, 3, 4}, 5},
      {"point_distance", {1, 1, 1, 1}, 0},
      {"point_distance_3d", {0, 0, 0, 2, 3, 6}, 7},
      {"point_direction", {0, 0, 1, 1}, 315},
      {"point_direction", {0, 0, 1, -1}, 45},
      {"point_direction", {0, 0, -1, 1}, 225},
      {"point_direction", {0, 0, -1, 0}, 180},
      {"point_direction", {0, 0, 1, 0}, 0},
      {"point_direction", {0, 0, 0, 5}, 270},
      {"point_direction", {0, 0, 0, -5}, 90},
      {"point_direction", {0, 0, 0, 0}, 0},
      {"lengthdir_x", {10, 90}, 0},
      {"lengthdir_y", {10, 90}, -10},
      {"lengthdir_x", {10, 60}, 4.999999523162842},
      {"lengthdir_y", {10, 30}, -5},
      {"lengthdir_y", {100, 180}, 0},
      {"lengthdir_x", {10, 180}, -10},
      {"angle_difference", {10, 350}, 20},
      {"angle_difference", {350, 10}, -20},
      {"angle_difference", {0, 180}, -180},
      {"angle_difference", {180, 0}, -180},
      {"angle_difference", {-200, 0}, 160},
      {"angle_difference", {720, 0}, 0},
      {"dot_product", {1, 2, 3, 4}, 11},
      {"dot_product_3d", {1, 2, 3, 4, 5, 6}, 32},
      {"dot_product_normalised", {1, 0, 0, 1}, 0},
      {"dot_product_normalised", {2, 0, 5, 0}, 1},
      {"dot_product_normalised", {3, 0, -7, 0}, -1},
      {"dot_product_3d_normalised", {0, 0, 2, 0, 0, 9}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(CallReal(c.name, Reals(c.args)), c.expected) << c.name << " " << c.args[2];
}

TEST_F(MathGeometryTest, ZeroLengthVectorsGiveNoNumberWithoutAnError) {
  EXPECT_TRUE(std::isnan(CallReal("dot_product_normalised", Reals({0, 0, 1, 0}))));
  EXPECT_TRUE(std::isnan(CallReal("dot_product_3d_normalised", Reals({0, 0, 0, 1, 0, 0}))));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

// Only values just beyond a whole number (away from zero) snap to it.
TEST_F(MathGeometryTest, LengthdirSnapsOnlyJustBeyondAWholeNumber) {
  // cos(60 degrees) in single precision is a little below 0.5.
  EXPECT_EQ(F_LengthdirX(10, 60), 4.9999995f);
  EXPECT_EQ(F_LengthdirX(-10, 60), -4.9999995f);
  // -sin(30 degrees) * 10 lies just beyond -5 and snaps.
  EXPECT_EQ(F_LengthdirY(10, 30), -5.0f);
  EXPECT_EQ(F_LengthdirY(10.00004f, 30), -5.0f);
  EXPECT_EQ(F_LengthdirY(10.004f, 30), -5.002f);
}

TEST_F(MathGeometryTest, FastEntriesMatchTheScriptFunctions) {
  const float coords[] = {-250.5f, -3, 0, 0.25f, 7, 1e6f};
  for (const float x1 : coords) {
    for (const float y2 : coords) {
      for (const float x2 : coords) {
        const float y1 = x2 * 0.5f - 1;
        EXPECT_EQ(static_cast<double>(F_PointDirection(x1, y1, x2, y2)), CallReal("point_direction", Reals({x1, y1, x2, y2})));
      }
      EXPECT_EQ(static_cast<double>(F_LengthdirX(x1, y2 * 37)), CallReal("lengthdir_x", Reals({x1, y2 * 37})));
      EXPECT_EQ(static_cast<double>(F_LengthdirY(x1, y2 * 37)), CallReal("lengthdir_y", Reals({x1, y2 * 37})));
    }
  }
  for (float dir = -720; dir <= 720; dir += 0.75f) {
    const float d = F_PointDirection(0, 0, F_LengthdirX(100, dir), F_LengthdirY(100, dir));
    EXPECT_GE(d, 0.0f);
    EXPECT_LT(d, 360.0f);
  }
}

}  // namespace
