// Script objects by the ES5 rules: the internal properties that choose an object's behaviour
// ("[[Class]]", "[[Prototype]]", "[[Extensible]]", "[[GetOwnProperty]]", ...), property
// descriptors, the internal methods [[GetOwnProperty]], [[DefineOwnProperty]], [[Get]], [[Put]],
// [[CanPut]] and [[Delete]], and the object factories and Error objects they are built with.
//
// A property is one value record with its attributes in the flags word (kPropEnumerable,
// kPropConfigurable, kPropWritable); an absent one reads as unset. A descriptor is one value too:
// a data descriptor is the value with the attributes, an accessor descriptor a new accessor pair
// (object kind 2) with the attributes on the object value.
#pragma once

#include <cstdint>

#include "core/function_registry.h"
#include "core/value.h"

class WXObjectBase;

// The internal methods as they are stored (pointer values) and called.
using JSGetOwnPropertyFn = void (*)(WXObjectBase* object, RValue* result, const char* name);
using JSDefineOwnPropertyFn = int32_t (*)(WXObjectBase* object, const char* name, const RValue* descriptor, bool throwing);
using JSDeleteFn = void (*)(WXObjectBase* object, RValue* result, const char* name, bool strict);

// Results of [[DefineOwnProperty]]: done, rejected, rejected with throw asked.
inline constexpr int32_t kDefineRejected = 0;
inline constexpr int32_t kDefineDone = 1;
inline constexpr int32_t kDefineRejectedThrow = 2;

// The prototypes the factories give their objects; null until the standard objects are made.
struct JSPrototypes {
  WXObjectBase* object = nullptr;
  WXObjectBase* function = nullptr;
  WXObjectBase* boolean = nullptr;
  WXObjectBase* date = nullptr;
  WXObjectBase* error = nullptr;
  WXObjectBase* evalError = nullptr;
  WXObjectBase* rangeError = nullptr;
  WXObjectBase* referenceError = nullptr;
  WXObjectBase* syntaxError = nullptr;
  WXObjectBase* typeError = nullptr;
  WXObjectBase* uriError = nullptr;
};
extern JSPrototypes g_JSPrototypes;

// --- object utilities ----------------------------------------------------------------------------

// Own "[[Call_Script]]" or "[[Call_Cpp]]".
bool JS_Object_IsCallable(const WXObjectBase* object);
// Objects by the above; the other kinds but the ones below are false. A kind no script value has
// reports "unhandled type for JS_IsCallable" and gives false.
bool JS_IsCallable(const RValue* value);
bool IsAccessorDescriptor(const RValue* value);
bool IsDataDescriptor(const RValue* value);
bool IsGenericDescriptor(const RValue* value);
// The own value record of a name (named property, else its numbered slot); null when neither.
RValue* JS_OwnRecord(WXObjectBase* object, const char* name);
// The object an own internal property names by object value, or null.
WXObjectBase* JS_PrototypeOf(WXObjectBase* object);

// [[GetOwnProperty]] through the first "[[GetOwnProperty]]" on the chain; unset when none. The
// result holds its own references: the caller releases it.
void JS_GetOwnProperty(WXObjectBase* object, RValue* result, const char* name);
// The own property of the object, then of its prototypes, until one is present.
void JS_GetProperty(WXObjectBase* object, RValue* result, const char* name);
// [[Get]]: an accessor runs its getter with this = the object.
void JS_Get(WXObjectBase* object, RValue* result, const char* name);
bool JS_CanPut(WXObjectBase* object, const char* name);
// [[Put]]; a refused write with throwing raises the TypeError "NoMessage".
void JS_Put(WXObjectBase* object, const RValue* value, const char* name, bool throwing);
int32_t JS_DefineOwnProperty(WXObjectBase* object, const char* name, const RValue* descriptor, bool throwing);
// [[Delete]] through the first "[[Delete]]" on the chain (the ordinary one when none): a bool.
void JS_Delete(WXObjectBase* object, RValue* result, const char* name, bool strict);

// --- the ordinary internal methods ----------------------------------------------------------------

void JS_OrdinaryGetOwnProperty(WXObjectBase* object, RValue* result, const char* name);
void JS_Arguments_GetOwnProperty(WXObjectBase* object, RValue* result, const char* name);
int32_t JS_OrdinaryDefineOwnProperty(WXObjectBase* object, const char* name, const RValue* descriptor, bool throwing);
void JS_OrdinaryDelete(WXObjectBase* object, RValue* result, const char* name, bool strict);
void JS_Arguments_PutElement(WXObjectBase* object, const RValue* value, const char* name);
bool JS_SameValue(const RValue* a, const RValue* b);
// A non-empty run of ASCII digits; its value as a signed 32-bit integer in *index.
bool JS_IsElementIndex(const char* name, int32_t* index);

// 0 and the descriptor, or 1 for a non-object or an invalid descriptor. The descriptor holds its
// own references (the caller releases it); an accessor descriptor is a new pair.
int32_t JS_ToPropertyDescriptor(RValue* descriptor, const RValue* object);
// Undefined for an undefined or unset descriptor, else a new object describing it.
void JS_FromPropertyDescriptor(RValue* result, const RValue* descriptor);

// Object.prototype.toString, hasOwnProperty and propertyIsEnumerable; self is the receiver.
void JS_Object_ToString(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void JS_Object_HasOwnProperty(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void JS_Object_PropertyIsEnumerable(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);

// --- conversions that need objects ----------------------------------------------------------------

// [[DefaultValue]]: "toString" and "valueOf" in the order of the hint; a result code.
int32_t JS_Object_DefaultValue(WXObjectBase* object, RValue* result, int32_t hint);
// ToObject: an object is copied; a bool makes a Boolean object; a number or string gives 1 (their
// wrappers are not built yet), as do undefined and null.
int32_t F_JS_ToObject(RValue* result, const RValue* value);
// isNaN and isFinite: a bool.
void JS_IsNaN(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void JS_IsFinite(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);

// --- factories and errors -------------------------------------------------------------------------

// A new ordinary object in the result (the arguments are not read).
void JS_NewOrdinaryObject(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_Boolean_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_Boolean_Call(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_Error_ConstructNamed(const char* name, WXObjectBase* prototype, RValue* result, int32_t argc, RValue* args);
void JS_Error_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_EvalError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_RangeError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_ReferenceError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_SyntaxError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_TypeError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_URIError_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
// Make the Error and throw it (it becomes the pending exception).
void JS_ThrowTypeError(const char* message);
void JS_ThrowSyntaxError(const char* message);
void JS_ThrowRangeError(const char* message);
void JS_ThrowReferenceError(const char* message);

void JS_NewDateObject(RValue* result, double time);
void JS_Date_Construct(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
void JS_Date_Call(RValue* result, CInstance* function, CInstance* other, int32_t argc, RValue* args);
