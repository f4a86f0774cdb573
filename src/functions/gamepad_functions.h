// The gamepad script functions as built-in functions: "gamepad_is_supported" .. "gamepad_set_colour".
//
// Each handler answers the real 0 unless it has an answer; a pad number outside the pad table
// (or a call short of its arguments) answers 0 ("" for the description) and changes nothing.
#pragma once

// Registers the group in the built-in function table, then starts the pads (Gamepad_Init).
// Runs once in every start-up pass, after the table was emptied by the previous pass's teardown.
void InitGamepadFunctions();
