// What the host needs of the script-object runtime at the end of a pass: the global object, the
// pool of freed objects and the object table (script/wx_object.h has the rest).
#pragma once

class WXObjectBase;

// The global object made by the loader; null between passes.
extern WXObjectBase* g_pGlobalObject;

void WXObject_Free(WXObjectBase* object);
void WXObject_FreePool();
// Releases the object table's array.
void WXObject_TableFree();
