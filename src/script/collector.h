// The collector of script objects, as the game step and the end of a game call it.
#pragma once

struct WXObjectBase;

// Reclaims the script objects nothing reaches (object mode only); `keep` is kept alive as well.
void VM_CollectGarbage(WXObjectBase* keep);
