#include "script/lifecycle.h"

// No script objects exist yet, so the loader never makes a global object and the pool stays empty.
WXObjectBase* g_pGlobalObject = nullptr;

void WXObject_Free(WXObjectBase*) {}
void WXObject_FreePool() {}
