// Gamepads as four numbered user slots: the state of a pad (a button bit mask, two triggers,
// two thumb sticks), its motors and what kind of pad it is.
//
// The runner reads pads only through these calls, which ask the installed back end. The real
// back end is SDL's game-controller layer; tests install one that answers from fields.
//
// Conventions of the numbers: thumb sticks are -32768..32767 with up and right positive,
// triggers 0..255, motor speeds 0..65535 (left the low-frequency motor).
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// Result codes.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_BAD_ARGUMENTS = 160;
inline constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

// User slots.
inline constexpr DWORD XUSER_MAX_COUNT = 4;

// Bits of wButtons.
inline constexpr WORD XINPUT_GAMEPAD_DPAD_UP = 0x0001;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_DOWN = 0x0002;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_LEFT = 0x0004;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_RIGHT = 0x0008;
inline constexpr WORD XINPUT_GAMEPAD_START = 0x0010;
inline constexpr WORD XINPUT_GAMEPAD_BACK = 0x0020;
inline constexpr WORD XINPUT_GAMEPAD_LEFT_THUMB = 0x0040;
inline constexpr WORD XINPUT_GAMEPAD_RIGHT_THUMB = 0x0080;
inline constexpr WORD XINPUT_GAMEPAD_LEFT_SHOULDER = 0x0100;
inline constexpr WORD XINPUT_GAMEPAD_RIGHT_SHOULDER = 0x0200;
inline constexpr WORD XINPUT_GAMEPAD_A = 0x1000;
inline constexpr WORD XINPUT_GAMEPAD_B = 0x2000;
inline constexpr WORD XINPUT_GAMEPAD_X = 0x4000;
inline constexpr WORD XINPUT_GAMEPAD_Y = 0x8000;

// Kinds of pad (SubType of the capabilities).
inline constexpr BYTE XINPUT_DEVTYPE_GAMEPAD = 0x01;
inline constexpr BYTE XINPUT_DEVSUBTYPE_UNKNOWN = 0x00;
inline constexpr BYTE XINPUT_DEVSUBTYPE_GAMEPAD = 0x01;
inline constexpr BYTE XINPUT_DEVSUBTYPE_WHEEL = 0x02;
inline constexpr BYTE XINPUT_DEVSUBTYPE_ARCADE_STICK = 0x03;
inline constexpr BYTE XINPUT_DEVSUBTYPE_FLIGHT_STICK = 0x04;
inline constexpr BYTE XINPUT_DEVSUBTYPE_DANCE_PAD = 0x05;
inline constexpr BYTE XINPUT_DEVSUBTYPE_GUITAR = 0x06;
inline constexpr BYTE XINPUT_DEVSUBTYPE_DRUM_KIT = 0x08;
inline constexpr BYTE XINPUT_DEVSUBTYPE_ARCADE_PAD = 0x13;

struct XINPUT_GAMEPAD {
  WORD wButtons = 0;
  BYTE bLeftTrigger = 0;
  BYTE bRightTrigger = 0;
  int16_t sThumbLX = 0;
  int16_t sThumbLY = 0;
  int16_t sThumbRX = 0;
  int16_t sThumbRY = 0;
};

struct XINPUT_STATE {
  DWORD dwPacketNumber = 0;
  XINPUT_GAMEPAD Gamepad;
};

struct XINPUT_VIBRATION {
  WORD wLeftMotorSpeed = 0;
  WORD wRightMotorSpeed = 0;
};

struct XINPUT_CAPABILITIES {
  BYTE Type = 0;
  BYTE SubType = 0;
};

// Where the calls go.
class XInputBackEnd {
 public:
  virtual ~XInputBackEnd() = default;
  // Makes the pads readable; false when there is no pad support at all. Called again on every
  // start-up pass, so it must tolerate being called twice.
  virtual bool Load() = 0;
  virtual DWORD GetState(DWORD userIndex, XINPUT_STATE* state) = 0;
  virtual DWORD SetState(DWORD userIndex, const XINPUT_VIBRATION* vibration) = 0;
  virtual DWORD GetCapabilities(DWORD userIndex, DWORD flags, XINPUT_CAPABILITIES* capabilities) = 0;
};

// Installs a back end; null puts the real one back.
void XInput_InstallBackEnd(XInputBackEnd* backEnd);
XInputBackEnd& XInput_BackEnd();

// The calls. A user index of XUSER_MAX_COUNT or more, or a null record, is ERROR_BAD_ARGUMENTS.
DWORD XInputGetState(DWORD userIndex, XINPUT_STATE* state);
DWORD XInputSetState(DWORD userIndex, const XINPUT_VIBRATION* vibration);
DWORD XInputGetCapabilities(DWORD userIndex, DWORD flags, XINPUT_CAPABILITIES* capabilities);

// What the SDL back end makes of a controller's readings (SDL's ranges: sticks -32768..32767
// with down positive, triggers 0..32767; buttons by SDL's controller button numbers).
struct ControllerReading {
  bool buttons[21] = {};  // SDL_CONTROLLER_BUTTON_A .. SDL_CONTROLLER_BUTTON_MAX - 1
  int16_t axes[6] = {};   // left x, left y, right x, right y, left trigger, right trigger
};
XINPUT_GAMEPAD XInput_FromController(const ControllerReading& reading);
// The kind of pad from SDL's joystick type.
BYTE XInput_SubTypeFromJoystickType(int32_t sdlJoystickType);
