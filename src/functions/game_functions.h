// The game group of built-in script functions: motion, collisions and placement, motion planning,
// instances, rooms, the game, and the plane-geometry tests. Registered second at start-up.
#pragma once

void InitGameFunctions();
