#include "script/collector.h"

// Only object mode collects, and no game runs in object mode yet.
void VM_CollectGarbage(WXObjectBase*) {}
