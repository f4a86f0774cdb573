// The game world's roots for the script objects' collector (installed at start-up).
#pragma once

#include "script/wx_object.h"

void World_VisitObjectRoots(ObjectRootMark mark, void* context);
