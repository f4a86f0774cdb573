// What the physics sources share: the library, the unit conversions and the 32-bit filter that
// each library fixture carries in its user data.
#pragma once

#include <box2d/box2d.h>

#include <cmath>
#include <cstdint>

#include "world/physics_service.h"

namespace physics {

static_assert(sizeof(uintptr_t) >= 8, "a fixture's user data holds its 32-bit category and mask");

// The library's own filter bits are 16 wide; ours, 32 each, ride in the fixture's user data.
inline uintptr_t PackFilter(uint32_t category, uint32_t mask) {
  return static_cast<uintptr_t>(category) | (static_cast<uintptr_t>(mask) << 32);
}
inline uint32_t FilterCategory(const b2Fixture* f) {
  return static_cast<uint32_t>(const_cast<b2Fixture*>(f)->GetUserData().pointer & 0xFFFFFFFFu);
}
inline uint32_t FilterMask(const b2Fixture* f) {
  return static_cast<uint32_t>(const_cast<b2Fixture*>(f)->GetUserData().pointer >> 32);
}

inline CInstance* InstanceOf(const b2Body* body) {
  return body != nullptr ? reinterpret_cast<CInstance*>(const_cast<b2Body*>(body)->GetUserData().pointer) : nullptr;
}

// Degrees and radians with pi as the single-precision value, computed in double precision.
constexpr double kPi = static_cast<double>(3.1415927410125732f);
inline float DegreesToRadians(double degrees) { return static_cast<float>(degrees * kPi / 180.0); }
inline float RadiansToDegrees(double radians) { return static_cast<float>(radians * 180.0 / kPi); }

inline bool Finite(float v) { return std::isfinite(v); }

// Checks the library would stop the program on; each reports through the assert handler and
// answers false.
bool CheckArgument(bool condition, const wchar_t* message);
// The points span a polygon the library accepts (its own welding and hull rules, a positive area).
bool PolygonSpansArea(const CPhysicsFixture::Point* points, int32_t count);

}  // namespace physics
