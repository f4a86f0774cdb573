// Pad slots and joysticks for tests: they answer from fields the test sets and record what they
// were asked. Each installs itself for its lifetime.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/winmm/joystick.h"
#include "platform/xinput/xinput.h"

namespace host_test {

class FakeXInput final : public XInputBackEnd {
 public:
  FakeXInput() { XInput_InstallBackEnd(this); }
  ~FakeXInput() override { XInput_InstallBackEnd(nullptr); }
  FakeXInput(const FakeXInput&) = delete;
  FakeXInput& operator=(const FakeXInput&) = delete;

  bool loads = true;
  bool connected[XUSER_MAX_COUNT] = {};
  XINPUT_GAMEPAD pad[XUSER_MAX_COUNT];
  BYTE subType[XUSER_MAX_COUNT] = {XINPUT_DEVSUBTYPE_GAMEPAD, XINPUT_DEVSUBTYPE_GAMEPAD,
                                   XINPUT_DEVSUBTYPE_GAMEPAD, XINPUT_DEVSUBTYPE_GAMEPAD};
  bool capabilitiesFail = false;

  int32_t stateReads[XUSER_MAX_COUNT] = {};
  std::vector<std::pair<DWORD, XINPUT_VIBRATION>> vibrations;

  bool Load() override { return loads; }
  DWORD GetState(DWORD user, XINPUT_STATE* state) override {
    ++stateReads[user];
    if (!connected[user]) return ERROR_DEVICE_NOT_CONNECTED;
    state->Gamepad = pad[user];
    return ERROR_SUCCESS;
  }
  DWORD SetState(DWORD user, const XINPUT_VIBRATION* vibration) override {
    vibrations.emplace_back(user, *vibration);
    return connected[user] ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
  }
  DWORD GetCapabilities(DWORD user, DWORD, XINPUT_CAPABILITIES* capabilities) override {
    if (!connected[user] || capabilitiesFail) return ERROR_DEVICE_NOT_CONNECTED;
    capabilities->Type = XINPUT_DEVTYPE_GAMEPAD;
    capabilities->SubType = subType[user];
    return ERROR_SUCCESS;
  }
};

class FakeJoysticks final : public JoystickBackEnd {
 public:
  FakeJoysticks() { Joystick_InstallBackEnd(this); }
  ~FakeJoysticks() override { Joystick_InstallBackEnd(nullptr); }
  FakeJoysticks(const FakeJoysticks&) = delete;
  FakeJoysticks& operator=(const FakeJoysticks&) = delete;

  struct Stick {
    bool present = false;
    JOYINFOEX position;  // centred, nothing pressed
    JOYCAPSA caps;
    Stick() {
      position.dwXpos = position.dwYpos = position.dwZpos = 32768;
      position.dwRpos = position.dwUpos = position.dwVpos = 32768;
    }
  };
  Stick sticks[2];
  std::vector<UINT> asked;  // the ids, in order

  UINT GetPosEx(UINT id, JOYINFOEX* info) override {
    asked.push_back(id);
    if (id > 1 || !sticks[id].present) return JOYERR_UNPLUGGED;
    const DWORD flags = info->dwFlags;
    *info = sticks[id].position;
    info->dwFlags = flags;
    return JOYERR_NOERROR;
  }
  UINT GetDevCaps(UINT id, JOYCAPSA* caps) override {
    asked.push_back(id);
    if (id > 1 || !sticks[id].present) return JOYERR_UNPLUGGED;
    *caps = sticks[id].caps;
    return JOYERR_NOERROR;
  }
};

}  // namespace host_test
