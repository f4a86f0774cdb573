// What the parts of the Misc group share: the handlers of the platform part, which the group's
// table interleaves with its own, and the registrars of the external and date parts, which
// InitMiscFunctions calls in order. Not for use outside src/functions.
#pragma once

#include <cstdint>

#include "functions/handler_args.h"

namespace misc {

inline void SetReal(RValue* result, double value) { Args_SetReal(result, value); }
inline void SetBool(RValue* result, bool value) { SetReal(result, value ? 1.0 : 0.0); }

// external_* (external_functions.cpp).
void RegisterExternalFunctions(uint8_t flag);
// date_* (date_functions.cpp).
void RegisterDateFunctions(uint8_t flag);

// event_inherited, which action_inherited shares (misc_functions.cpp).
BUILTIN_FN(EventInherited);

// The window, the device, the clipboard and the process priority (platform_functions.cpp).
BUILTIN_FN(WindowHandle);
BUILTIN_FN(WindowDevice);
BUILTIN_FN(SetProgramPriority);
BUILTIN_FN(SetApplicationTitle);
BUILTIN_FN(ClipboardHasText);
BUILTIN_FN(ClipboardSetText);
BUILTIN_FN(ClipboardGetText);

}  // namespace misc
