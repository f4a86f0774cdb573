#include "io/joystick.h"

#include <cmath>
#include <cstring>

#include "platform/winmm/joystick.h"

namespace {

int32_t g_present = 0;

UINT JoystickId(double id) { return id == 2.0 ? JOYSTICKID2 : JOYSTICKID1; }

double Position(double id, DWORD flag, DWORD JOYINFOEX::*field) {
  JOYINFOEX info;
  info.dwFlags = flag;
  if (joyGetPosEx(JoystickId(id), &info) != JOYERR_NOERROR) return 0.0;
  return static_cast<float>(info.*field) / 32767.0f - 1.0f;
}

bool Caps(double id, JOYCAPSA* caps) { return joyGetDevCapsA(JoystickId(id), caps) == JOYERR_NOERROR; }

// Rows and columns of the keypad: small positions are up and left.
int32_t Third(UINT position) {
  if (position < 20000) return 0;
  return position <= 44000 ? 1 : 2;
}

}  // namespace

void Joystick_Detect() {
  JOYINFO info;
  g_present = (joyGetPos(JOYSTICKID1, &info) == JOYERR_NOERROR ? 1 : 0) |
              (joyGetPos(JOYSTICKID2, &info) == JOYERR_NOERROR ? 2 : 0);
}

int32_t Joystick_PresentFlags() { return g_present; }

double joystick_exists(double id) {
  JOYINFO info;
  return joyGetPos(JoystickId(id), &info) == JOYERR_NOERROR ? 1.0 : 0.0;
}

std::string joystick_name(double id) {
  JOYCAPSA caps;
  if (!Caps(id, &caps)) return std::string();
  return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

double joystick_axes(double id) {
  JOYCAPSA caps;
  return Caps(id, &caps) ? caps.wNumAxes : 0.0;
}

double joystick_buttons(double id) {
  JOYCAPSA caps;
  return Caps(id, &caps) ? caps.wNumButtons : 0.0;
}

double joystick_has_pov(double id) {
  JOYCAPSA caps;
  // Only the hat's own flag: a joystick with extra axes but no hat has none.
  return Caps(id, &caps) && (caps.wCaps & JOYCAPS_HASPOV) != 0 ? 1.0 : 0.0;
}

double joystick_check_button(double id, double n) {
  JOYINFOEX info;
  info.dwFlags = JOY_RETURNBUTTONS;
  if (joyGetPosEx(JoystickId(id), &info) != JOYERR_NOERROR) return 0.0;
  const double button = std::nearbyint(n);
  if (!(button >= 1.0 && button <= 32.0)) return 0.0;
  return (info.dwButtons >> (static_cast<int32_t>(button) - 1)) & 1u ? 1.0 : 0.0;
}

double joystick_xpos(double id) { return Position(id, JOY_RETURNX, &JOYINFOEX::dwXpos); }
double joystick_ypos(double id) { return Position(id, JOY_RETURNY, &JOYINFOEX::dwYpos); }
double joystick_zpos(double id) { return Position(id, JOY_RETURNZ, &JOYINFOEX::dwZpos); }
double joystick_rpos(double id) { return Position(id, JOY_RETURNR, &JOYINFOEX::dwRpos); }
double joystick_upos(double id) { return Position(id, JOY_RETURNU, &JOYINFOEX::dwUpos); }
double joystick_vpos(double id) { return Position(id, JOY_RETURNV, &JOYINFOEX::dwVpos); }

double joystick_pov(double id) {
  JOYINFOEX info;
  info.dwFlags = JOY_RETURNPOV;
  if (joyGetPosEx(JoystickId(id), &info) != JOYERR_NOERROR) return -1.0;
  const double degrees = static_cast<double>(info.dwPOV) / 100.0;
  return degrees > 360.0 ? -1.0 : degrees;
}

double joystick_direction(double id) {
  JOYINFO info;
  if (joyGetPos(JoystickId(id), &info) != JOYERR_NOERROR) return 101.0;
  // Keypad rows from the bottom: 97..99 down, 100..102 middle, 103..105 up.
  const int32_t row = 2 - Third(info.wYpos);
  return 97 + 3 * row + Third(info.wXpos);
}
