#include "audio/debug_views_stand_in.h"

// STAND-IN: see debug_views_stand_in.h.
void Audio_DrawDebug() {}
void Audio_DrawSyncDebug() {}
