// The joystick script functions on fake joysticks: which joystick an id names, positions,
// the hat, buttons, capabilities and the stick direction as a keypad key.
#include "io/joystick.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/fake_pads.h"

namespace {

using host_test::FakeJoysticks;

TEST(JoystickTest, OnlyExactlyTwoNamesTheSecondJoystick) {
  FakeJoysticks sticks;
  sticks.sticks[1].present = true;
  const struct {
    double id;
    double exists;
  } cases[] = {{2.0, 1}, {1.0, 0}, {0.0, 0}, {2.0001, 0}, {1.9999, 0}, {-2.0, 0}, {3.0, 0}};
  for (const auto& c : cases) EXPECT_EQ(joystick_exists(c.id), c.exists) << c.id;

  sticks.sticks[0].present = true;
  sticks.sticks[1].present = false;
  Joystick_Detect();
  EXPECT_EQ(Joystick_PresentFlags(), 1);
  sticks.sticks[1].present = true;
  Joystick_Detect();
  EXPECT_EQ(Joystick_PresentFlags(), 3);
}

TEST(JoystickTest, DirectionIsTheKeypadKeyOfTheStick) {
  FakeJoysticks sticks;
  EXPECT_EQ(joystick_direction(1), 101.0);  // no joystick: the centre
  sticks.sticks[0].present = true;
  const struct {
    DWORD x, y;
    double key;
  } cases[] = {
      {32767, 32767, 101}, {0, 0, 103},         {32767, 0, 104},       {65535, 0, 105},
      {0, 32767, 100},     {65535, 32767, 102}, {0, 65535, 97},        {32767, 65535, 98},
      {65535, 65535, 99},  {19999, 20000, 100}, {20000, 19999, 104},   {44000, 44000, 101},
      {44001, 44001, 99},
  };
  for (const auto& c : cases) {
    sticks.sticks[0].position.dwXpos = c.x;
    sticks.sticks[0].position.dwYpos = c.y;
    EXPECT_EQ(joystick_direction(1), c.key) << c.x << ", " << c.y;
  }
}

TEST(JoystickTest, HatAndAxisPositions) {
  FakeJoysticks sticks;
  EXPECT_EQ(joystick_pov(1), -1.0);
  EXPECT_EQ(joystick_xpos(1), 0.0);
  sticks.sticks[0].present = true;
  const struct {
    DWORD pov;
    double degrees;
  } hats[] = {{JOY_POVCENTERED, -1}, {0, 0}, {4500, 45}, {9000, 90}, {27000, 270}, {36000, 360}, {36001, -1}};
  for (const auto& h : hats) {
    sticks.sticks[0].position.dwPOV = h.pov;
    EXPECT_EQ(joystick_pov(1), h.degrees) << h.pov;
  }

  const struct {
    DWORD position;
    double value;
  } axes[] = {{0, -1.0}, {32767, 0.0}, {65535, 65535.0f / 32767.0f - 1.0f}};
  for (const auto& a : axes) {
    SCOPED_TRACE(a.position);
    JOYINFOEX& p = sticks.sticks[0].position;
    p.dwXpos = p.dwYpos = p.dwZpos = p.dwRpos = p.dwUpos = p.dwVpos = a.position;
    for (double v : {joystick_xpos(1), joystick_ypos(1), joystick_zpos(1), joystick_rpos(1), joystick_upos(1),
                     joystick_vpos(1)}) {
      EXPECT_DOUBLE_EQ(v, a.value);
    }
  }
  // Each axis is its own.
  JOYINFOEX& p = sticks.sticks[0].position;
  p = JOYINFOEX();
  p.dwXpos = 0;
  p.dwYpos = 65535;
  p.dwVpos = 32767;
  EXPECT_EQ(joystick_xpos(1), -1.0);
  EXPECT_GT(joystick_ypos(1), 1.0);
  EXPECT_EQ(joystick_vpos(1), 0.0);
}

TEST(JoystickTest, ButtonsAndCapabilities) {
  FakeJoysticks sticks;
  EXPECT_EQ(joystick_check_button(2, 1), 0.0);
  EXPECT_EQ(joystick_name(2), "");
  EXPECT_EQ(joystick_axes(2), 0.0);
  EXPECT_EQ(joystick_buttons(2), 0.0);
  EXPECT_EQ(joystick_has_pov(2), 0.0);

  FakeJoysticks::Stick& s = sticks.sticks[1];
  s.present = true;
  s.position.dwButtons = 0x80000005u;  // buttons 1, 3 and 32
  const struct {
    double n;
    double down;
  } buttons[] = {{1, 1}, {2, 0}, {3, 1}, {32, 1}, {33, 0}, {0, 0}, {-1, 0}, {0.6, 1}, {2.6, 1}, {1.4, 1}, {1e12, 0}};
  for (const auto& b : buttons) EXPECT_EQ(joystick_check_button(2, b.n), b.down) << b.n;

  std::strcpy(s.caps.szPname, "Flight Stick");
  s.caps.wNumAxes = 3;
  s.caps.wNumButtons = 12;
  s.caps.wCaps = JOYCAPS_HASZ;  // a third axis but no hat
  EXPECT_EQ(joystick_name(2), "Flight Stick");
  EXPECT_EQ(joystick_axes(2), 3.0);
  EXPECT_EQ(joystick_buttons(2), 12.0);
  EXPECT_EQ(joystick_has_pov(2), 0.0);
  s.caps.wCaps = JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
  EXPECT_EQ(joystick_has_pov(2), 1.0);
  EXPECT_EQ(joystick_name(1), "");
}

}  // namespace
