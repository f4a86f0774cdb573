// Running the functions of an accessor property (an object of kind 2 whose slot 0 holds the
// getter and slot 1 the setter, each a function reference or unset).
//
// STAND-IN until object-mode function calls exist: only native functions (a function object whose
// "[[Call_Cpp]]" holds a built-in handler) are run; a script function is not, and the result is
// then left as it was.
#pragma once

struct RValue;
class WXObjectBase;

// Nothing happens unless the accessor value is an object of kind 2 with a function in the slot.
// The handler gets self as its self and other when self is a game instance, else null.
void JS_CallGetter(WXObjectBase* self, RValue* result, const RValue* accessor);
void JS_CallSetter(WXObjectBase* self, const RValue* value, const RValue* accessor);

// True for a value that is an accessor pair.
bool JS_IsAccessor(const RValue* value);
