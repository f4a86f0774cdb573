// Joysticks 1 and 2 as scripts read them: presence, name, axes, buttons, the hat and the
// direction of the stick as a key of the numeric keypad. Every call asks the device again
// (platform/winmm/joystick.h); nothing is kept but which joysticks were present at the last
// device change.
#pragma once

#include <cstdint>
#include <string>

// Tests which of joysticks 1 and 2 are present (every device change): bits 1 and 2.
void Joystick_Detect();
int32_t Joystick_PresentFlags();

// The joystick argument: exactly 2 is the second joystick, anything else the first.
double joystick_exists(double id);
// "" when the joystick cannot be asked.
std::string joystick_name(double id);
double joystick_axes(double id);
double joystick_buttons(double id);
double joystick_has_pov(double id);
// Buttons 1..32 (n rounded to the nearest whole number); 0 for any other.
double joystick_check_button(double id, double n);
// Positions -1 .. about 1; 0 when the joystick cannot be asked.
double joystick_xpos(double id);
double joystick_ypos(double id);
double joystick_zpos(double id);
double joystick_rpos(double id);
double joystick_upos(double id);
double joystick_vpos(double id);
// Degrees clockwise from forward; -1 when released or when the joystick cannot be asked.
double joystick_pov(double id);
// The key of the numeric keypad that points where the stick does (vk_numpad1 .. vk_numpad9),
// 101 (the centre) when the joystick cannot be asked.
double joystick_direction(double id);
