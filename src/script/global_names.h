// The built-in variables that belong to the whole game rather than to an instance.
#pragma once

// True when the name is one of them (exact byte comparison).
bool JS_IsGlobalBuiltinName(const char* name);
