// The pad slots and the joysticks over SDL: the conversions of SDL's readings, and the real back
// ends on SDL's virtual devices.
#include <SDL.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winmm/joystick.h"
#include "platform/xinput/xinput.h"

namespace {

TEST(XInputConversionTest, ControllerButtonsBecomeStateBits) {
  const struct {
    SDL_GameControllerButton button;
    WORD bit;
  } cases[] = {
      {SDL_CONTROLLER_BUTTON_A, XINPUT_GAMEPAD_A},
      {SDL_CONTROLLER_BUTTON_B, XINPUT_GAMEPAD_B},
      {SDL_CONTROLLER_BUTTON_X, XINPUT_GAMEPAD_X},
      {SDL_CONTROLLER_BUTTON_Y, XINPUT_GAMEPAD_Y},
      {SDL_CONTROLLER_BUTTON_BACK, XINPUT_GAMEPAD_BACK},
      {SDL_CONTROLLER_BUTTON_START, XINPUT_GAMEPAD_START},
      {SDL_CONTROLLER_BUTTON_LEFTSTICK, XINPUT_GAMEPAD_LEFT_THUMB},
      {SDL_CONTROLLER_BUTTON_RIGHTSTICK, XINPUT_GAMEPAD_RIGHT_THUMB},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, XINPUT_GAMEPAD_LEFT_SHOULDER},
      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, XINPUT_GAMEPAD_DPAD_UP},
      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_DOWN},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, XINPUT_GAMEPAD_DPAD_LEFT},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, XINPUT_GAMEPAD_DPAD_RIGHT},
      {SDL_CONTROLLER_BUTTON_GUIDE, 0},
      {SDL_CONTROLLER_BUTTON_PADDLE1, 0},
      {SDL_CONTROLLER_BUTTON_TOUCHPAD, 0},
  };
  for (const auto& c : cases) {
    ControllerReading reading;
    reading.buttons[c.button] = true;
    EXPECT_EQ(XInput_FromController(reading).wButtons, c.bit) << c.button;
  }
}

TEST(XInputConversionTest, SticksPointUpAndTriggersFitAByte) {
  const struct {
    int16_t sdl;
    int16_t x;      // a horizontal axis keeps its value
    int16_t y;      // a vertical one is turned over
    BYTE trigger;
  } cases[] = {
      {0, 0, 0, 0},
      {-32768, -32768, 32767, 0},
      {32767, 32767, -32767, 255},
      {-100, -100, 100, 0},
      {16384, 16384, -16384, 128},
      {128, 128, -128, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sdl);
    ControllerReading reading;
    for (int16_t& axis : reading.axes) axis = c.sdl;
    const XINPUT_GAMEPAD pad = XInput_FromController(reading);
    EXPECT_EQ(pad.sThumbLX, c.x);
    EXPECT_EQ(pad.sThumbRX, c.x);
    EXPECT_EQ(pad.sThumbLY, c.y);
    EXPECT_EQ(pad.sThumbRY, c.y);
    EXPECT_EQ(pad.bLeftTrigger, c.trigger);
    EXPECT_EQ(pad.bRightTrigger, c.trigger);
  }
}

TEST(JoystickConversionTest, AxesAndHats) {
  EXPECT_EQ(Joystick_PositionFromAxis(-32768), 0u);
  EXPECT_EQ(Joystick_PositionFromAxis(0), 32768u);
  EXPECT_EQ(Joystick_PositionFromAxis(32767), 65535u);
  const struct {
    uint8_t hat;
    DWORD pov;
  } hats[] = {
      {SDL_HAT_CENTERED, JOY_POVCENTERED}, {SDL_HAT_UP, 0},         {SDL_HAT_RIGHTUP, 4500},
      {SDL_HAT_RIGHT, 9000},               {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},
      {SDL_HAT_LEFTDOWN, 22500},           {SDL_HAT_LEFT, 27000},   {SDL_HAT_LEFTUP, 31500},
      {SDL_HAT_UP | SDL_HAT_DOWN, JOY_POVCENTERED},
  };
  for (const auto& h : hats) EXPECT_EQ(Joystick_PovFromHat(h.hat), h.pov) << static_cast<int>(h.hat);
}

// SDL's virtual devices stand in for plugged-in hardware.
class SdlPadTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!XInput_BackEnd().Load()) GTEST_SKIP() << "no game-controller support: " << SDL_GetError();
    // Only devices of the test may exist: SDL's virtual driver is the one joystick driver here.
    SDL_JoystickUpdate();
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "other joysticks are plugged in";
  }
  void TearDown() override {
    for (SDL_Joystick* j : opened) SDL_JoystickClose(j);
    for (SDL_JoystickID id : attached) Detach(id);
  }

  // Device indexes move when devices leave, so devices are kept by their instance ids.
  static void Detach(SDL_JoystickID id) {
    for (int device = 0; device < SDL_NumJoysticks(); ++device) {
      if (SDL_JoystickGetDeviceInstanceID(device) == id) SDL_JoystickDetachVirtual(device);
    }
  }

  // Attaches a device and returns it opened.
  SDL_Joystick* Attach(const SDL_VirtualJoystickDesc& desc) {
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* joystick = SDL_JoystickOpen(device);
    EXPECT_NE(joystick, nullptr) << SDL_GetError();
    if (joystick == nullptr) return nullptr;
    attached.push_back(SDL_JoystickInstanceID(joystick));
    opened.push_back(joystick);
    return joystick;
  }

  static int SDLCALL Rumble(void* userdata, Uint16 low, Uint16 high) {
    static_cast<std::vector<std::pair<int, int>>*>(userdata)->emplace_back(low, high);
    return 0;
  }

  std::vector<SDL_JoystickID> attached;
  std::vector<SDL_Joystick*> opened;
  std::vector<std::pair<int, int>> rumbles;  // (low, high) as the device heard them
};

TEST_F(SdlPadTest, AVirtualControllerReadsAsAPadSlot) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
  desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
  desc.name = "Test Pad";
  desc.userdata = &rumbles;
  desc.Rumble = Rumble;

  XINPUT_STATE state;
  EXPECT_EQ(XInputGetState(0, &state), ERROR_DEVICE_NOT_CONNECTED);
  SDL_Joystick* joystick = Attach(desc);
  ASSERT_NE(joystick, nullptr);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
  SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, -20000);  // up
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_RIGHTX, 12345);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);

  ASSERT_EQ(XInputGetState(0, &state), ERROR_SUCCESS);
  EXPECT_EQ(state.Gamepad.wButtons, XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_DPAD_LEFT);
  EXPECT_EQ(state.Gamepad.sThumbLY, 20000);
  EXPECT_EQ(state.Gamepad.sThumbRX, 12345);
  EXPECT_EQ(state.Gamepad.bRightTrigger, 255);
  EXPECT_EQ(state.Gamepad.bLeftTrigger, 0);
  EXPECT_EQ(XInputGetState(1, &state), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(XInputGetState(XUSER_MAX_COUNT, &state), ERROR_BAD_ARGUMENTS);

  XINPUT_CAPABILITIES caps;
  ASSERT_EQ(XInputGetCapabilities(0, 0, &caps), ERROR_SUCCESS);
  EXPECT_EQ(caps.SubType, XINPUT_DEVSUBTYPE_GAMEPAD);

  // The same levels again reach the device only once.
  XINPUT_VIBRATION vibration;
  vibration.wLeftMotorSpeed = 1000;
  vibration.wRightMotorSpeed = 2000;
  EXPECT_EQ(XInputSetState(0, &vibration), ERROR_SUCCESS);
  EXPECT_EQ(XInputSetState(0, &vibration), ERROR_SUCCESS);
  vibration = XINPUT_VIBRATION();
  EXPECT_EQ(XInputSetState(0, &vibration), ERROR_SUCCESS);
  EXPECT_EQ(rumbles, (std::vector<std::pair<int, int>>{{1000, 2000}, {0, 0}}));

  // A second controller takes the next slot; unplugging the first frees its slot only.
  SDL_Joystick* second = Attach(desc);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(XInputGetState(1, &state), ERROR_SUCCESS);
  SDL_JoystickClose(joystick);
  opened.erase(opened.begin());
  Detach(attached.front());
  attached.erase(attached.begin());
  EXPECT_EQ(XInputGetState(0, &state), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(XInputGetState(1, &state), ERROR_SUCCESS);
}

TEST_F(SdlPadTest, AVirtualJoystickReadsAsJoystickOne) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_FLIGHT_STICK;
  desc.naxes = 3;
  desc.nbuttons = 5;
  desc.nhats = 1;
  desc.name = "Virtual Stick";

  JOYINFO info;
  SDL_Joystick* joystick = Attach(desc);
  ASSERT_NE(joystick, nullptr);
  SDL_JoystickSetVirtualAxis(joystick, 0, -32768);
  SDL_JoystickSetVirtualAxis(joystick, 1, 32767);
  SDL_JoystickSetVirtualButton(joystick, 0, 1);
  SDL_JoystickSetVirtualButton(joystick, 4, 1);
  SDL_JoystickSetVirtualHat(joystick, 0, SDL_HAT_RIGHT);

  JOYINFOEX ex;
  ex.dwFlags = JOY_RETURNALL;
  ASSERT_EQ(joyGetPosEx(JOYSTICKID1, &ex), JOYERR_NOERROR);
  EXPECT_EQ(ex.dwXpos, 0u);
  EXPECT_EQ(ex.dwYpos, 65535u);
  EXPECT_EQ(ex.dwZpos, 32768u);
  EXPECT_EQ(ex.dwRpos, 32768u);  // absent axes rest in the middle
  EXPECT_EQ(ex.dwButtons, 0x11u);
  EXPECT_EQ(ex.dwButtonNumber, 2u);
  EXPECT_EQ(ex.dwPOV, JOY_POVRIGHT);
  ASSERT_EQ(joyGetPos(JOYSTICKID1, &info), JOYERR_NOERROR);
  EXPECT_EQ(info.wButtons, 0x1u);
  EXPECT_EQ(joyGetPos(JOYSTICKID2, &info), JOYERR_UNPLUGGED);
  EXPECT_EQ(joyGetPos(JOYSTICKID1, nullptr), JOYERR_PARMS);

  JOYCAPSA caps;
  ASSERT_EQ(joyGetDevCapsA(JOYSTICKID1, &caps), JOYERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Virtual Stick");
  EXPECT_EQ(caps.wNumAxes, 3u);
  EXPECT_EQ(caps.wNumButtons, 5u);
  EXPECT_EQ(caps.wCaps, JOYCAPS_HASZ | JOYCAPS_HASPOV | JOYCAPS_POV4DIR);

  // Unplugged, and another in its place: the new one is read.
  SDL_JoystickClose(joystick);
  opened.clear();
  Detach(attached.front());
  attached.clear();
  EXPECT_EQ(joyGetPos(JOYSTICKID1, &info), JOYERR_UNPLUGGED);
  desc.name = "Another Stick With A Name Far Too Long To Keep";
  joystick = Attach(desc);
  ASSERT_NE(joystick, nullptr);
  ASSERT_EQ(joyGetDevCapsA(JOYSTICKID1, &caps), JOYERR_NOERROR);
  EXPECT_EQ(std::string(caps.szPname), std::string(desc.name, MAXPNAMELEN - 1));
}

}  // namespace
