// The names error reports give to events (Event_GetName, in world/event_context.h) and their parts.
// Formatted names are written into static buffers, valid until the next call.
#pragma once

#include <cstdint>

// "<Backspace>", "A-key", "Keypad-2", "F1", ...; "<unknown>" for a code without a name.
const char* Event_GetKeyName(int32_t key);
// "Left Button", "Joystick 1 Up", "Mouse Wheel Down", ...; "<unknown>" for other numbers.
const char* Event_GetMouseName(int32_t number);
// "Outside Room", "User Defined 2", "Boundary View 7", ...; "<unknown>" for other numbers.
const char* Event_GetOtherName(int32_t number);
// Names of the asynchronous other events 60 and up: "HTTP", "Save-Load", ...; "<unknown>" else.
const char* Event_GetAsyncName(int32_t number);
