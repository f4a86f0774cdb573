// Motion planning without a grid: an instance walks one step at a time towards a goal, straight
// (linear) or steering round obstacles (potential), and the path forms simulate those walks to
// fill a path with the route the instance would take, leaving it where and as it was.
//
// Obstacles are instances: with object -3, any instance (check all) or solid instances only;
// with any other object, the instances of that object (place_meeting). Positions and angles are
// kept as 32-bit floats; the arithmetic between them runs in doubles. Directions are in degrees,
// 0 right and 90 up.
//
// A goal, step size or factor that is not a finite number is refused: a step answers false
// without moving and a path answers false without touching the path. No planner ever moves an
// instance to a position that is not finite, so a walk always reaches the goal, stops moving or
// runs past its limits.
#pragma once

#include <cstdint>

class CInstance;
class CPath;

// The potential-field settings, one set for the whole run.
struct MPPotentialSettings {
  float maxRotation = 30.0f;  // the largest turn in one step
  float rotationStep = 10.0f;  // between successive directions tried round the goal's
  float ahead = 3.0f;          // how many steps ahead a direction must be free
  bool onSpot = true;          // with no direction free, turn by the maximum rotation
};
extern MPPotentialSettings g_MPPotential;

// Whether the instance could stand at (x, y): place_empty (check all) or place_free for object
// -3, else no instance of the object there. No place at a coordinate that is not finite is free.
bool MP_IsFree(CInstance* self, float x, float y, int32_t obj, bool checkAll);
// The direction from the first point to the second: 0 when they are the same point.
float MP_PointDirection(float x1, float y1, float x2, float y2);

// One step of at most stepSize towards the goal when the place is free; true when the goal was
// reached or lies within this step (even when its place was not free).
bool MP_LinearStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);
// Fills the path with the linear steps to the goal; true when they reach it. False, the path
// untouched, for a missing path or a step size of 0 or less.
bool MP_LinearPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);

// Each of the three numbers is stored as given, or as 1 when below 1 or not a number.
void MP_PotentialSettings(float maxRotation, float rotationStep, float ahead, bool onSpot);
// One step in that direction, when it turns no more than the maximum rotation and both the step
// and the look-ahead point are free; true when the instance moved.
bool MP_PotentialTry(float direction, CInstance* self, float stepSize, int32_t obj, bool checkAll);
// One step towards the goal, steering round what blocks the way; true when the goal was reached
// or lies within this step.
bool MP_PotentialStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll);
// Fills the path with the potential steps to the goal; false once the path grows longer than
// factor times the straight distance, or after 101 steps in a row that leave its length as it was.
// False, the path untouched, for a missing path, a factor below 1 or a step size of 0 or less.
bool MP_PotentialPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, float factor,
                      int32_t obj, bool checkAll);
