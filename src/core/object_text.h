// How a script object shows in a value's text form.
#pragma once

#include <cstddef>

class WXObjectBase;

// Appends the text of a (non-null) script object: the result of its "toString" when that is
// callable and gives a string. An object met again within one outermost conversion writes nothing.
void WXObject_AppendText(WXObjectBase* object, char** cursor, char** base, size_t* capacity);
