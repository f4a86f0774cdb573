// Directions on the screen's plane, shared by the script functions and the world's motion
// planners. Angles are in degrees, counter-clockwise on a screen whose y axis points down, so 90
// points up (negative y).
#pragma once

// Direction from (x1, y1) to (x2, y2), in [0, 360); 0 for the same point. Computed in single
// precision, as scripts see it.
float F_PointDirection(float x1, float y1, float x2, float y2);
