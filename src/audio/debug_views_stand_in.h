// STAND-IN until the audio debug views are built: what the debug overlay shows with its audio
// flags. Both draw nothing yet.
#pragma once

// The voices and their state.
void Audio_DrawDebug();
// The sync groups.
void Audio_DrawSyncDebug();
