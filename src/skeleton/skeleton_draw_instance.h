// The instance being drawn: draw_self records it around its drawing, so that a skeleton sprite
// drawn meanwhile poses with that instance's own skeleton state. Null while no instance is.
#pragma once

class CInstance;

extern CInstance* g_SkeletonDrawInstance;
