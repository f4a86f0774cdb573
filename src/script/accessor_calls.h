// Calls of function objects (the receiver, the arguments, the result) and the pending exception of
// object mode.
//
// STAND-IN until object-mode script calls exist: only native functions (a function object whose
// "[[Call_Cpp]]" holds a built-in handler) are run; a script function is not, and the result is
// then left as it was. A native made by the object runtime (own "[[Class]]" "Function") gets the
// receiver as its self; any other native, a game built-in among them, gets it only when it is a
// game instance (else null), because such handlers read their self as an instance.
#pragma once

#include <cstdint>

struct RValue;
class CInstance;
class WXObjectBase;

// Result codes of calls: done; not callable; an exception is pending.
inline constexpr int32_t kCallDone = 0;
inline constexpr int32_t kCallNotCallable = 1;
inline constexpr int32_t kCallExceptionPending = 2;

// The object as a game instance, null when it is none. Defined with the instances (world/).
CInstance* JS_AsGameInstance(WXObjectBase* object);

// Runs the function with this as its receiver; the result is not initialised first. 2 when an
// exception is pending afterwards, else 0.
int32_t JS_CallFunctionObject(WXObjectBase* self, RValue* result, WXObjectBase* function, int32_t argc, RValue* args);
// The same for a value: 1 without a call when it is not an object.
int32_t JS_Call(WXObjectBase* self, RValue* result, const RValue* function, int32_t argc, RValue* args);

// Nothing happens unless the accessor value is an object of kind 2. A getter slot that is unset
// makes the result undefined; a setter slot that is unset does nothing.
void JS_CallGetter(WXObjectBase* self, RValue* result, const RValue* accessor);
void JS_CallSetter(WXObjectBase* self, const RValue* value, const RValue* accessor);

// True for a value that is an accessor pair.
bool JS_IsAccessor(const RValue* value);

// The pending exception: what the last throw threw, until it is caught. STAND-IN until the
// interpreter dispatches exceptions: a throw only records the value.
void JS_Throw(const RValue* value);
bool JS_ExceptionPending();
// The value thrown (undefined when nothing is pending).
const RValue* JS_PendingException();
// Forgets the pending exception, releasing the value.
void JS_ClearException();
