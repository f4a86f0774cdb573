// What the host needs of the script-object runtime at the end of a pass: the global object and
// the pool of freed objects.
#pragma once

struct WXObjectBase;

// The global object made by the loader; null between passes.
extern WXObjectBase* g_pGlobalObject;

void WXObject_Free(WXObjectBase* object);
void WXObject_FreePool();
