#include "skeleton/skeleton_draw_instance.h"

CInstance* g_SkeletonDrawInstance = nullptr;
