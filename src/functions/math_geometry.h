// Plane geometry entries that translated game code calls directly. Angles are in degrees,
// counter-clockwise on a screen whose y axis points down: 90 points up (negative y).
#pragma once

// Direction from (x1, y1) to (x2, y2), in [0, 360); 0 for the same point.
float F_PointDirection(float x1, float y1, float x2, float y2);
// Components of a vector of length len in direction dir; a component just beyond a whole number
// (away from zero, by less than 0.0001) snaps to it.
float F_LengthdirX(float len, float dir);
float F_LengthdirY(float len, float dir);
