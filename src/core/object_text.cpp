#include "core/object_text.h"

// No script object can exist until the object runtime is in place, and an object without a
// callable "toString" writes nothing.
void WXObject_AppendText(WXObjectBase*, char**, char**, size_t*) {}
