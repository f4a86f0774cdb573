// Joysticks by number: position of up to six axes, 32 buttons and a point-of-view hat, and what
// the device has.
//
// Positions are 0..65535 with the centre at 32768 (x grows to the right, y downwards); the hat
// is in hundredths of a degree clockwise from forward, JOY_POVCENTERED when released. The
// runner reads joysticks only through these calls, which ask the installed back end: the real
// one is SDL's joystick layer (joystick n is SDL's device n, game controllers included, looked
// up on every call so that devices that come and go are picked up); tests install their own.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

inline constexpr UINT JOYSTICKID1 = 0;
inline constexpr UINT JOYSTICKID2 = 1;

// Result codes.
inline constexpr UINT JOYERR_NOERROR = 0;
inline constexpr UINT MMSYSERR_NODRIVER = 6;
inline constexpr UINT JOYERR_PARMS = 165;
inline constexpr UINT JOYERR_UNPLUGGED = 167;

// What joyGetPosEx is asked for (dwFlags).
inline constexpr DWORD JOY_RETURNX = 0x01;
inline constexpr DWORD JOY_RETURNY = 0x02;
inline constexpr DWORD JOY_RETURNZ = 0x04;
inline constexpr DWORD JOY_RETURNR = 0x08;
inline constexpr DWORD JOY_RETURNU = 0x10;
inline constexpr DWORD JOY_RETURNV = 0x20;
inline constexpr DWORD JOY_RETURNPOV = 0x40;
inline constexpr DWORD JOY_RETURNBUTTONS = 0x80;
inline constexpr DWORD JOY_RETURNALL = 0xFF;

inline constexpr DWORD JOY_POVCENTERED = 0xFFFF;
inline constexpr DWORD JOY_POVFORWARD = 0;
inline constexpr DWORD JOY_POVRIGHT = 9000;
inline constexpr DWORD JOY_POVBACKWARD = 18000;
inline constexpr DWORD JOY_POVLEFT = 27000;

// Capability flags (wCaps).
inline constexpr UINT JOYCAPS_HASZ = 0x01;
inline constexpr UINT JOYCAPS_HASR = 0x02;
inline constexpr UINT JOYCAPS_HASU = 0x04;
inline constexpr UINT JOYCAPS_HASV = 0x08;
inline constexpr UINT JOYCAPS_HASPOV = 0x10;
inline constexpr UINT JOYCAPS_POV4DIR = 0x20;

inline constexpr int32_t MAXPNAMELEN = 32;

struct JOYINFO {
  UINT wXpos = 0;
  UINT wYpos = 0;
  UINT wZpos = 0;
  UINT wButtons = 0;  // buttons 1..4
};

struct JOYINFOEX {
  DWORD dwSize = sizeof(JOYINFOEX);
  DWORD dwFlags = 0;
  DWORD dwXpos = 0;
  DWORD dwYpos = 0;
  DWORD dwZpos = 0;
  DWORD dwRpos = 0;
  DWORD dwUpos = 0;
  DWORD dwVpos = 0;
  DWORD dwButtons = 0;  // bit n - 1: button n
  DWORD dwButtonNumber = 0;  // buttons held
  DWORD dwPOV = JOY_POVCENTERED;
};

struct JOYCAPSA {
  char szPname[MAXPNAMELEN] = {};  // UTF-8, cut at a character boundary
  UINT wNumAxes = 0;
  UINT wNumButtons = 0;
  UINT wCaps = 0;
};

class JoystickBackEnd {
 public:
  virtual ~JoystickBackEnd() = default;
  virtual UINT GetPosEx(UINT id, JOYINFOEX* info) = 0;
  virtual UINT GetDevCaps(UINT id, JOYCAPSA* caps) = 0;
};

// Installs a back end; null puts the real one back.
void Joystick_InstallBackEnd(JoystickBackEnd* backEnd);
JoystickBackEnd& Joystick_BackEnd();

// The calls. A null record is JOYERR_PARMS.
UINT joyGetPos(UINT id, JOYINFO* info);
UINT joyGetPosEx(UINT id, JOYINFOEX* info);
UINT joyGetDevCapsA(UINT id, JOYCAPSA* caps);

// SDL's axis value (-32768..32767) as a position, and SDL's hat bits as a hat angle.
DWORD Joystick_PositionFromAxis(int16_t value);
DWORD Joystick_PovFromHat(uint8_t sdlHat);
