// Script functions that go past the per-step input state: Num Lock, made-up key presses, the
// key state of this moment, the mouse-button tests with their "none" and "any" codes, and the
// waits for the next key or mouse button.
#pragma once

#include <cstdint>

inline constexpr int32_t mb_any = -1;
inline constexpr int32_t mb_none = 0;

double keyboard_get_numlock();
void keyboard_set_numlock(double on);
// A key press or release as if it came from the keyboard (key rounded to the nearest code).
void keyboard_key_press(double key);
void keyboard_key_release(double key);
// 1 while the key is down right now, whatever the step saw.
double keyboard_check_direct(double key);

// Button 1..3, mb_none (no button has the flag), mb_any (some button has it); any other code,
// or a device outside the table, reads 0. The three read the held, pressed and released flags.
double IO_MouseCheckButton(int32_t button, int32_t device);
double IO_MouseCheckButtonPressed(int32_t button, int32_t device);
double IO_MouseCheckButtonReleased(int32_t button, int32_t device);
// Device 0. The button of the released test is rounded to the nearest code, the others are
// whole numbers already.
double mouse_check_button(int32_t button);
double mouse_check_button_pressed(int32_t button);
double mouse_check_button_released(double button);

// Wait, pumping window messages every 50 ms, for a key (mouse button) pressed after the call;
// a press before the call does not count. The wait also ends when the window closes.
void keyboard_wait();
void mouse_wait();
