#include "platform/xinput/xinput.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>

static_assert(sizeof(ControllerReading::buttons) == SDL_CONTROLLER_BUTTON_MAX);
static_assert(sizeof(ControllerReading::axes) / sizeof(int16_t) == SDL_CONTROLLER_AXIS_MAX);

namespace {

struct ButtonBit {
  SDL_GameControllerButton button;
  WORD bit;
};
// The guide button, the extra paddles and the touch pad have no bit.
constexpr ButtonBit kButtonBits[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, XINPUT_GAMEPAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_DOWN},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, XINPUT_GAMEPAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, XINPUT_GAMEPAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_START, XINPUT_GAMEPAD_START},
    {SDL_CONTROLLER_BUTTON_BACK, XINPUT_GAMEPAD_BACK},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, XINPUT_GAMEPAD_LEFT_THUMB},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, XINPUT_GAMEPAD_RIGHT_THUMB},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, XINPUT_GAMEPAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_A, XINPUT_GAMEPAD_A},
    {SDL_CONTROLLER_BUTTON_B, XINPUT_GAMEPAD_B},
    {SDL_CONTROLLER_BUTTON_X, XINPUT_GAMEPAD_X},
    {SDL_CONTROLLER_BUTTON_Y, XINPUT_GAMEPAD_Y},
};

// SDL's sticks point down, the pad's up; -32768 has no positive partner and becomes 32767.
int16_t Flip(int16_t v) { return v == INT16_MIN ? INT16_MAX : static_cast<int16_t>(-v); }

BYTE Trigger(int16_t v) {
  if (v <= 0) return 0;
  return static_cast<BYTE>((static_cast<int32_t>(v) * 255 + 16383) / 32767);
}

// Controllers in up to four slots, in the order they were first seen; a slot keeps its
// controller until it is unplugged, so a pad's number does not change while others come and go.
class SdlBackEnd final : public XInputBackEnd {
 public:
  bool Load() override {
    if (!m_tried) {
      m_tried = true;
      // Pads are read whether or not the window has the focus, as the game decides.
      SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
      m_loaded = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    }
    return m_loaded;
  }

  DWORD GetState(DWORD userIndex, XINPUT_STATE* state) override {
    Refresh();
    Slot& slot = m_slots[userIndex];
    if (slot.controller == nullptr) return ERROR_DEVICE_NOT_CONNECTED;
    ControllerReading reading;
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
      reading.buttons[b] = SDL_GameControllerGetButton(slot.controller, static_cast<SDL_GameControllerButton>(b)) != 0;
    }
    for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a) {
      reading.axes[a] = SDL_GameControllerGetAxis(slot.controller, static_cast<SDL_GameControllerAxis>(a));
    }
    const XINPUT_GAMEPAD pad = XInput_FromController(reading);
    if (!SamePad(pad, slot.last)) {
      ++slot.packet;
      slot.last = pad;
    }
    state->dwPacketNumber = slot.packet;
    state->Gamepad = pad;
    return ERROR_SUCCESS;
  }

  DWORD SetState(DWORD userIndex, const XINPUT_VIBRATION* vibration) override {
    Slot& slot = m_slots[userIndex];
    if (slot.controller == nullptr) return ERROR_DEVICE_NOT_CONNECTED;
    // The game sends its levels every step. The device hears only changes, and a steady level
    // again every second; each burst lasts two, so the motors stop soon after the game does.
    const uint32_t now = SDL_GetTicks();
    const bool changed = !slot.rumbleSent || vibration->wLeftMotorSpeed != slot.rumble.wLeftMotorSpeed ||
                         vibration->wRightMotorSpeed != slot.rumble.wRightMotorSpeed;
    const bool moving = vibration->wLeftMotorSpeed != 0 || vibration->wRightMotorSpeed != 0;
    if (changed || (moving && now - slot.rumbleAt >= 1000)) {
      SDL_GameControllerRumble(slot.controller, vibration->wLeftMotorSpeed, vibration->wRightMotorSpeed,
                               moving ? 2000 : 0);
      slot.rumble = *vibration;
      slot.rumbleSent = true;
      slot.rumbleAt = now;
    }
    return ERROR_SUCCESS;
  }

  DWORD GetCapabilities(DWORD userIndex, DWORD, XINPUT_CAPABILITIES* capabilities) override {
    Refresh();
    Slot& slot = m_slots[userIndex];
    if (slot.controller == nullptr) return ERROR_DEVICE_NOT_CONNECTED;
    capabilities->Type = XINPUT_DEVTYPE_GAMEPAD;
    capabilities->SubType =
        XInput_SubTypeFromJoystickType(SDL_JoystickGetType(SDL_GameControllerGetJoystick(slot.controller)));
    return ERROR_SUCCESS;
  }

 private:
  struct Slot {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID id = -1;
    DWORD packet = 0;
    XINPUT_GAMEPAD last;
    XINPUT_VIBRATION rumble;
    bool rumbleSent = false;
    uint32_t rumbleAt = 0;
  };

  static bool SamePad(const XINPUT_GAMEPAD& a, const XINPUT_GAMEPAD& b) {
    return a.wButtons == b.wButtons && a.bLeftTrigger == b.bLeftTrigger && a.bRightTrigger == b.bRightTrigger &&
           a.sThumbLX == b.sThumbLX && a.sThumbLY == b.sThumbLY && a.sThumbRX == b.sThumbRX &&
           a.sThumbRY == b.sThumbRY;
  }

  void Refresh() {
    if (!m_loaded) return;
    SDL_GameControllerUpdate();
    for (Slot& slot : m_slots) {
      if (slot.controller != nullptr && SDL_GameControllerGetAttached(slot.controller) == SDL_FALSE) {
        SDL_GameControllerClose(slot.controller);
        slot = Slot();
      }
    }
    bool opened = false;
    const int count = SDL_NumJoysticks();
    for (int device = 0; device < count; ++device) {
      if (SDL_IsGameController(device) == SDL_FALSE) continue;
      const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
      if (std::any_of(std::begin(m_slots), std::end(m_slots),
                      [id](const Slot& s) { return s.controller != nullptr && s.id == id; })) {
        continue;
      }
      Slot* free = std::find_if(std::begin(m_slots), std::end(m_slots),
                                [](const Slot& s) { return s.controller == nullptr; });
      if (free == std::end(m_slots)) break;
      SDL_GameController* controller = SDL_GameControllerOpen(device);
      if (controller == nullptr) continue;
      *free = Slot();
      free->controller = controller;
      free->id = id;
      opened = true;
    }
    // A controller just opened reads some axes (the triggers) only after the next update.
    if (opened) SDL_GameControllerUpdate();
  }

  bool m_tried = false;
  bool m_loaded = false;
  Slot m_slots[XUSER_MAX_COUNT];
};

XInputBackEnd* g_installed = nullptr;

}  // namespace

void XInput_InstallBackEnd(XInputBackEnd* backEnd) { g_installed = backEnd; }

XInputBackEnd& XInput_BackEnd() {
  static SdlBackEnd sdl;
  return g_installed != nullptr ? *g_installed : sdl;
}

DWORD XInputGetState(DWORD userIndex, XINPUT_STATE* state) {
  if (userIndex >= XUSER_MAX_COUNT || state == nullptr) return ERROR_BAD_ARGUMENTS;
  return XInput_BackEnd().GetState(userIndex, state);
}

DWORD XInputSetState(DWORD userIndex, const XINPUT_VIBRATION* vibration) {
  if (userIndex >= XUSER_MAX_COUNT || vibration == nullptr) return ERROR_BAD_ARGUMENTS;
  return XInput_BackEnd().SetState(userIndex, vibration);
}

DWORD XInputGetCapabilities(DWORD userIndex, DWORD flags, XINPUT_CAPABILITIES* capabilities) {
  if (userIndex >= XUSER_MAX_COUNT || capabilities == nullptr) return ERROR_BAD_ARGUMENTS;
  return XInput_BackEnd().GetCapabilities(userIndex, flags, capabilities);
}

XINPUT_GAMEPAD XInput_FromController(const ControllerReading& reading) {
  XINPUT_GAMEPAD pad;
  for (const ButtonBit& b : kButtonBits) {
    if (reading.buttons[b.button]) pad.wButtons = static_cast<WORD>(pad.wButtons | b.bit);
  }
  pad.bLeftTrigger = Trigger(reading.axes[SDL_CONTROLLER_AXIS_TRIGGERLEFT]);
  pad.bRightTrigger = Trigger(reading.axes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT]);
  pad.sThumbLX = reading.axes[SDL_CONTROLLER_AXIS_LEFTX];
  pad.sThumbLY = Flip(reading.axes[SDL_CONTROLLER_AXIS_LEFTY]);
  pad.sThumbRX = reading.axes[SDL_CONTROLLER_AXIS_RIGHTX];
  pad.sThumbRY = Flip(reading.axes[SDL_CONTROLLER_AXIS_RIGHTY]);
  return pad;
}

BYTE XInput_SubTypeFromJoystickType(int32_t sdlJoystickType) {
  switch (sdlJoystickType) {
    case SDL_JOYSTICK_TYPE_WHEEL: return XINPUT_DEVSUBTYPE_WHEEL;
    case SDL_JOYSTICK_TYPE_ARCADE_STICK: return XINPUT_DEVSUBTYPE_ARCADE_STICK;
    case SDL_JOYSTICK_TYPE_FLIGHT_STICK:
    case SDL_JOYSTICK_TYPE_THROTTLE: return XINPUT_DEVSUBTYPE_FLIGHT_STICK;
    case SDL_JOYSTICK_TYPE_DANCE_PAD: return XINPUT_DEVSUBTYPE_DANCE_PAD;
    case SDL_JOYSTICK_TYPE_GUITAR: return XINPUT_DEVSUBTYPE_GUITAR;
    case SDL_JOYSTICK_TYPE_DRUM_KIT: return XINPUT_DEVSUBTYPE_DRUM_KIT;
    case SDL_JOYSTICK_TYPE_ARCADE_PAD: return XINPUT_DEVSUBTYPE_ARCADE_PAD;
    // Everything with a controller mapping reads as a standard pad.
    default: return XINPUT_DEVSUBTYPE_GAMEPAD;
  }
}
