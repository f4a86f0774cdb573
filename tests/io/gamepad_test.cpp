// Gamepads on a fake pad-slot back end: values, thresholds and dead zones, edges, the button
// and axis maps, bounds, connection events, descriptions and vibration.
#include "io/gamepad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/run_switches.h"
#include "core/value.h"
#include "runtime/error_report.h"
#include "host/fake_pads.h"
#include "host/host_fixture.h"
#include "host/host_test_support.h"
#include "runtime/game_header.h"
#include "net/async_events.h"
#include "net/async_test_support.h"

namespace {

using host_test::Count;
using host_test::FakeXInput;


class GamepadTest : public testing::Test {
 protected:
  void SetUp() override {
    g_GameHeader = GameHeader();  // every information flag set: pads on
    Async_Shutdown();
    XInput_Unload();
    savedConsole = g_pDebugConsole;
    g_pDebugConsole = &log;
    g_IsHeadless = true;  // errors are logged, never shown
    Error_ClearSuppression();
  }
  void TearDown() override {
    Gamepad_Shutdown();
    XInput_Unload();
    g_pDebugConsole = savedConsole;
    g_IsHeadless = false;
    Error_ClearSuppression();
    error_last = SharedString_Unref(error_last);
    Async_Shutdown();
  }

  // Pad 0 plugged in and found, the discovery event forgotten.
  void StartWithPad0() {
    pads.connected[0] = true;
    Gamepad_Init();
    Async_Shutdown();
  }

  // One step's poll with the pad reading `state`.
  void Poll(const XINPUT_GAMEPAD& state, DWORD user = 0) {
    pads.pad[user] = state;
    XInput_Poll();
  }

  static XINPUT_GAMEPAD Buttons(WORD mask) {
    XINPUT_GAMEPAD p;
    p.wButtons = mask;
    return p;
  }

  // (event type, pad index) of every posted event.
  static std::vector<std::pair<std::string, int>> Events() {
    std::vector<std::pair<std::string, int>> out;
    for (const async_test::MapEvent& e : async_test::QueuedMapEvents()) {
      EXPECT_EQ(e.eventNumber, kAsyncEventSystem);
      EXPECT_EQ(e.entries.size(), 2u);
      const async_test::Value* type = e.Find("event_type");
      const async_test::Value* index = e.Find("pad_index");
      if (type == nullptr || index == nullptr || !type->isText || index->isText) {
        ADD_FAILURE() << "malformed pad event";
        continue;
      }
      out.emplace_back(type->text, static_cast<int>(index->real));
    }
    return out;
  }

  static std::string LastError() { return error_last != nullptr ? error_last->text : ""; }

  FakeXInput pads;
  CaptureConsole log;
  tagIConsole* savedConsole = nullptr;
};

using EventList = std::vector<std::pair<std::string, int>>;

TEST(CGamepadTest, DeadZoneScalesAxesButNotAxesReadAsButtons) {
  CGamepad pad(16, 4);
  pad.SetConnected(true);
  Async_Shutdown();
  pad.axisDeadZone = 0.2f;
  const struct {
    float value;
    float axis;         // AxisValue(1)
    float button;       // ButtonValue(0x1000 | 1)
    float negative;     // ButtonValue(0x3000 | 1)
  } cases[] = {
      {0.1f, 0.0f, 0.0f, 0.0f},    {0.6f, 0.5f, 0.6f, 0.0f},   {-0.6f, -0.5f, 0.0f, 0.6f},
      {-0.1f, 0.0f, 0.0f, 0.0f},   {0.2f, 0.0f, 0.0f, 0.0f},   {1.0f, 1.0f, 1.0f, 0.0f},
      {-1.0f, -1.0f, 0.0f, 1.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const float buttons[16] = {};
    const float axes[4] = {0.0f, c.value, 0.0f, 0.0f};
    pad.SetValues(buttons, axes);
    EXPECT_NEAR(pad.AxisValue(1), c.axis, 1e-6);
    EXPECT_NEAR(pad.AxisValue(kGamepadInvertAxis | 1), -c.axis, 1e-6);
    EXPECT_FLOAT_EQ(pad.ButtonValue(kGamepadAxisAsButton | 1), c.button);
    EXPECT_FLOAT_EQ(pad.ButtonValue(kGamepadAxisAsButton | kGamepadIgnoredBit | 1), c.button);
    EXPECT_FLOAT_EQ(pad.ButtonValue(kGamepadAxisAsButton | kGamepadNegativeHalf | 1), c.negative);
  }

  // Without a dead zone the axis reads as it is.
  pad.axisDeadZone = 0.0f;
  EXPECT_FLOAT_EQ(pad.AxisValue(1), -1.0f);

  // A dead zone of 1 leaves only the end stop, which reads full instead of dividing by zero.
  pad.axisDeadZone = 1.0f;
  EXPECT_FLOAT_EQ(pad.AxisValue(1), -1.0f);
  const float buttons[16] = {};
  const float half[4] = {0.0f, 0.5f, 0.0f, 0.0f};
  pad.SetValues(buttons, half);
  EXPECT_FLOAT_EQ(pad.AxisValue(1), 0.0f);
}

TEST(CGamepadTest, SetCountKeepsEntriesAndNullsNewOnes) {
  Gamepad_SetCount(2);
  CGamepad pad(1, 1);
  g_Gamepads[1] = &pad;
  Gamepad_SetCount(5);
  EXPECT_EQ(Gamepad_Get(1), &pad);
  for (int32_t i : {0, 2, 3, 4}) EXPECT_EQ(Gamepad_Get(i), nullptr) << i;
  EXPECT_EQ(Gamepad_Get(5), nullptr);
  EXPECT_EQ(Gamepad_Get(-1), nullptr);
  Gamepad_SetCount(0);
  Gamepad_SetCount(2);
  EXPECT_EQ(Gamepad_Get(1), nullptr);  // a table grown again holds no stale pads
  Gamepad_SetCount(0);
}

TEST_F(GamepadTest, ThresholdAndDeadZoneOutsideZeroToOneAreErrors) {
  StartWithPad0();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double value;
    bool accepted;
  } cases[] = {{0.0, true}, {1.0, true}, {0.25, true}, {1.5, false}, {-0.1, false}, {nan, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    error_last = SharedString_Unref(error_last);
    gamepad_set_button_threshold(0, 0.5);
    gamepad_set_button_threshold(0, c.value);
    EXPECT_EQ(LastError(), c.accepted ? "" : "Button threshold is outside the accepted range");
    EXPECT_FLOAT_EQ(gamepad_get_button_threshold(0), c.accepted ? static_cast<float>(c.value) : 0.5f);

    error_last = SharedString_Unref(error_last);
    gamepad_set_axis_deadzone(0, 0.0);
    gamepad_set_axis_deadzone(0, c.value);
    EXPECT_EQ(LastError(), c.accepted ? "" : "Axis dead zone is outside the accepted range");
    EXPECT_FLOAT_EQ(gamepad_get_axis_deadzone(0), c.accepted ? static_cast<float>(c.value) : 0.0f);
  }
  // A pad that does not exist is no error.
  error_last = SharedString_Unref(error_last);
  gamepad_set_button_threshold(7, 3.0);
  gamepad_set_axis_deadzone(-1, 3.0);
  EXPECT_EQ(LastError(), "");
}

TEST_F(GamepadTest, PressAndReleaseLastOnePollEach) {
  StartWithPad0();
  XINPUT_GAMEPAD trigger;
  trigger.bLeftTrigger = 200;  // 0.78, above the threshold
  XINPUT_GAMEPAD stick;
  stick.sThumbRX = 26000;  // axis 2 read as a button: 0.79
  const struct {
    const char* name;
    XINPUT_GAMEPAD down;
    int32_t button;
  } cases[] = {
      {"face button", Buttons(XINPUT_GAMEPAD_A), gp_face1},
      {"trigger", trigger, gp_shoulderlb},
      {"axis as a button", stick, kGamepadAxisAsButton | 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const XINPUT_GAMEPAD up;
    Poll(up);
    Poll(up);
    // (down, pressed, released) after each poll.
    const struct {
      bool held;
      int check, pressed, released;
    } steps[] = {{true, 1, 1, 0}, {true, 1, 0, 0}, {false, 0, 0, 1}, {false, 0, 0, 0}};
    for (const auto& s : steps) {
      Poll(s.held ? c.down : up);
      EXPECT_EQ(gamepad_button_check(0, c.button), s.check);
      EXPECT_EQ(gamepad_button_check_pressed(0, c.button), s.pressed);
      EXPECT_EQ(gamepad_button_check_released(0, c.button), s.released);
    }
  }

  // A trigger below the threshold is not down, though it has a value.
  XINPUT_GAMEPAD light;
  light.bRightTrigger = 64;
  Poll(light);
  EXPECT_DOUBLE_EQ(gamepad_button_value(0, gp_shoulderrb), 0.25);
  EXPECT_EQ(gamepad_button_check(0, gp_shoulderrb), 0.0);
  gamepad_set_button_threshold(0, 0.25);
  EXPECT_EQ(gamepad_button_check(0, gp_shoulderrb), 1.0);
}

TEST_F(GamepadTest, IndexesOutsideTheTablesReadZero) {
  StartWithPad0();
  XINPUT_GAMEPAD all = Buttons(0xFFFF);
  all.sThumbLX = all.sThumbLY = all.sThumbRX = all.sThumbRY = -32768;
  Poll(all);
  Poll(all);  // previous and current alike, all at full
  gamepad_set_button_threshold(0, 0.0);  // even a 0 reads as down at threshold 0
  Gamepad_SetCount(6);                   // slots 4 and 5 hold no pad

  // Still there: button 15 and axis 3 at the end of their tables.
  EXPECT_EQ(gamepad_button_value(0, 15), 1.0);
  EXPECT_EQ(gamepad_axis_value(0, 3), -1.0);

  const int32_t pads[] = {-1, 4, 5, 6, 1000};
  const int32_t buttons[] = {-1, 16, 0x0FFF, kGamepadAxisAsButton | 4,
                             kGamepadAxisAsButton | kGamepadNegativeHalf | 9, kGamepadAxisAsButton | 0x7FF};
  const int32_t axes[] = {-1, 4, kGamepadButtonAsAxis | 16, 0x7FFF};
  for (int32_t pad : pads) {
    SCOPED_TRACE(pad);
    EXPECT_EQ(gamepad_is_connected(pad), 0.0);
    EXPECT_STREQ(gamepad_get_description(pad), "");
    EXPECT_EQ(gamepad_get_button_threshold(pad), 0.0);
    EXPECT_EQ(gamepad_button_count(pad), 0.0);
    EXPECT_EQ(gamepad_axis_count(pad), 0.0);
    EXPECT_EQ(gamepad_button_check(pad, 0), 0.0);
    EXPECT_EQ(gamepad_axis_value(pad, 0), 0.0);
    gamepad_set_vibration(pad, 1.0, 1.0);
    gamepad_set_color(pad, 0xFF);
  }
  for (int32_t button : buttons) {
    SCOPED_TRACE(button);
    EXPECT_EQ(gamepad_button_check(0, button), 0.0);
    EXPECT_EQ(gamepad_button_check_pressed(0, button), 0.0);
    EXPECT_EQ(gamepad_button_check_released(0, button), 0.0);
    EXPECT_EQ(gamepad_button_value(0, button), 0.0);
  }
  for (int32_t axis : axes) {
    SCOPED_TRACE(axis);
    EXPECT_EQ(gamepad_axis_value(0, axis), 0.0);
  }
  // Scripts reach inverted axes only through the constants; the pad checks them all the same.
  EXPECT_EQ(Gamepad_Get(0)->AxisValue(kGamepadInvertAxis | 4), 0.0f);
  EXPECT_EQ(log.text.find("setting pad color"), std::string::npos);
}

TEST_F(GamepadTest, ButtonConstantsReadTheirPadButtons) {
  StartWithPad0();
  const struct {
    int32_t constant;
    WORD mask;
  } map[] = {
      {gp_face1, XINPUT_GAMEPAD_A},
      {gp_face2, XINPUT_GAMEPAD_B},
      {gp_face3, XINPUT_GAMEPAD_X},
      {gp_face4, XINPUT_GAMEPAD_Y},
      {gp_shoulderl, XINPUT_GAMEPAD_LEFT_SHOULDER},
      {gp_shoulderr, XINPUT_GAMEPAD_RIGHT_SHOULDER},
      {gp_select, XINPUT_GAMEPAD_BACK},
      {gp_start, XINPUT_GAMEPAD_START},
      {gp_stickl, XINPUT_GAMEPAD_LEFT_THUMB},
      {gp_stickr, XINPUT_GAMEPAD_RIGHT_THUMB},
      {gp_padu, XINPUT_GAMEPAD_DPAD_UP},
      {gp_padd, XINPUT_GAMEPAD_DPAD_DOWN},
      {gp_padl, XINPUT_GAMEPAD_DPAD_LEFT},
      {gp_padr, XINPUT_GAMEPAD_DPAD_RIGHT},
  };
  for (const auto& held : map) {
    SCOPED_TRACE(held.constant);
    Poll(Buttons(held.mask));
    for (const auto& other : map) {
      EXPECT_EQ(gamepad_button_check(0, other.constant), other.constant == held.constant ? 1.0 : 0.0)
          << other.constant;
    }
    EXPECT_EQ(gamepad_button_check(0, gp_shoulderlb), 0.0);
    EXPECT_EQ(gamepad_button_check(0, gp_shoulderrb), 0.0);
    // Any other constant, an axis constant too, reads the d-pad's up button.
    const double up = held.mask == XINPUT_GAMEPAD_DPAD_UP ? 1.0 : 0.0;
    EXPECT_EQ(gamepad_button_check(0, gp_axislh), up);
    EXPECT_EQ(gamepad_button_check(0, 0x8000), up);
    EXPECT_EQ(gamepad_button_check(0, 0x7FFFFFFF), up);
  }
  // Bits 10 and 11 are the triggers, not buttons of the state.
  Poll(Buttons(0x0C00));
  EXPECT_EQ(gamepad_button_value(0, 10), 0.0);
  EXPECT_EQ(gamepad_button_value(0, 11), 0.0);
}

TEST_F(GamepadTest, AxisConstantsReadTheSticksWithDownPositive) {
  StartWithPad0();
  XINPUT_GAMEPAD sticks;
  sticks.sThumbLX = 8192;    // 0.25
  sticks.sThumbLY = 16384;   // 0.5, pushed up
  sticks.sThumbRX = -24576;  // -0.75
  sticks.sThumbRY = -32768;  // -1, pulled down
  Poll(sticks);
  const struct {
    int32_t axis;
    double value;
  } cases[] = {
      {gp_axislh, 0.25}, {gp_axislv, -0.5}, {gp_axisrh, -0.75}, {gp_axisrv, 1.0},
      {0, 0.25},         {1, 0.5},          {3, -1.0},          {0x8015, 0.25},
      {kGamepadButtonAsAxis | 0, 0.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(gamepad_axis_value(0, c.axis), c.value) << c.axis;

  Poll(Buttons(XINPUT_GAMEPAD_Y));
  EXPECT_EQ(gamepad_axis_value(0, kGamepadButtonAsAxis | 15), 1.0);
  EXPECT_EQ(gamepad_axis_count(0), 4.0);
  EXPECT_EQ(gamepad_button_count(0), 16.0);
}

TEST_F(GamepadTest, EachConnectionChangePostsOneEvent) {
  pads.connected[0] = pads.connected[2] = true;
  Gamepad_Init();
  EXPECT_EQ(Events(), (EventList{{"gamepad discovered", 0}, {"gamepad discovered", 2}}));
  EXPECT_EQ(gamepad_get_device_count(), 4.0);
  EXPECT_EQ(gamepad_is_connected(2), 1.0);
  EXPECT_EQ(gamepad_is_connected(1), 0.0);

  Async_Shutdown();
  XInput_Discover();
  XInput_Poll();
  EXPECT_EQ(Events(), EventList{});

  // Unplugged while held: lost once, values cleared, no longer asked.
  Poll(Buttons(XINPUT_GAMEPAD_A));
  pads.connected[0] = false;
  XInput_Poll();
  EXPECT_EQ(Events(), (EventList{{"gamepad lost", 0}}));
  EXPECT_EQ(gamepad_is_connected(0), 0.0);
  EXPECT_STREQ(gamepad_get_description(0), "");
  EXPECT_EQ(gamepad_button_count(0), 0.0);
  EXPECT_EQ(Gamepad_Get(0)->ButtonValue(12), 0.0f);
  const int32_t reads = pads.stateReads[0];
  XInput_Poll();
  EXPECT_EQ(pads.stateReads[0], reads);
  EXPECT_EQ(Events().size(), 1u);

  // Plugged back: only the next discovery finds it.
  Async_Shutdown();
  pads.connected[0] = true;
  XInput_Poll();
  EXPECT_EQ(Events(), EventList{});
  XInput_Discover();
  EXPECT_EQ(Events(), (EventList{{"gamepad discovered", 0}}));

  // A restarted game hears of every connected pad again.
  Async_Shutdown();
  Gamepad_AnnounceAll();
  EXPECT_EQ(Events(), (EventList{{"gamepad discovered", 0}, {"gamepad discovered", 2}}));
}

TEST_F(GamepadTest, NothingHappensUnlessTheHeaderAsksForPads) {
  pads.connected[1] = true;
  g_GameHeader.infoFlags = ~kInfoGamepadPolling;
  Gamepad_Init();
  XInput_Poll();
  EXPECT_EQ(pads.stateReads[1], 0);
  EXPECT_EQ(Events(), EventList{});
  EXPECT_EQ(gamepad_is_supported(), 1.0);
  EXPECT_EQ(gamepad_is_connected(1), 0.0);

  g_GameHeader.infoFlags = kInfoGamepadPolling;
  XInput_Discover();
  EXPECT_EQ(Events(), (EventList{{"gamepad discovered", 1}}));
}

TEST_F(GamepadTest, WithoutPadSupportChecksReadZeroAndWarnOnce) {
  pads.loads = false;
  pads.connected[0] = true;
  Gamepad_Init();
  EXPECT_EQ(gamepad_is_supported(), 0.0);
  EXPECT_EQ(pads.stateReads[0], 0);
  EXPECT_EQ(gamepad_is_connected(0), 0.0);
  EXPECT_EQ(gamepad_axis_count(0), 0.0);
  EXPECT_EQ(log.text.find("not found"), std::string::npos);  // only the reading functions warn
  EXPECT_EQ(gamepad_button_check(0, gp_face1), 0.0);
  EXPECT_EQ(gamepad_axis_value(0, gp_axislh), 0.0);
  EXPECT_EQ(gamepad_button_value(9, 0), 0.0);
  EXPECT_EQ(Events(), EventList{});
  EXPECT_EQ(Count(log.text, "!!!!! xinput1_3.dll not found. Gamepad support disabled\n"), 1u);
}

TEST_F(GamepadTest, DescriptionFollowsTheKindOfPad) {
  const struct {
    BYTE subType;
    const char* description;
  } cases[] = {
      {XINPUT_DEVSUBTYPE_GAMEPAD, "Xbox 360 Controller (XInput STANDARD GAMEPAD)"},
      {XINPUT_DEVSUBTYPE_WHEEL, "Xbox 360 Controller (XInput WHEEL)"},
      {XINPUT_DEVSUBTYPE_ARCADE_STICK, "Xbox 360 Controller (XInput ARCADE STICK)"},
      {XINPUT_DEVSUBTYPE_FLIGHT_STICK, "Xbox 360 Controller (XInput FLIGHT STICK)"},
      {XINPUT_DEVSUBTYPE_DANCE_PAD, "Xbox 360 Controller (XInput DANCE PAD)"},
      {XINPUT_DEVSUBTYPE_GUITAR, "Xbox 360 Controller (XInput GUITAR)"},
      {XINPUT_DEVSUBTYPE_DRUM_KIT, "Xbox 360 Controller (XInput DRUM KIT)"},
      {XINPUT_DEVSUBTYPE_ARCADE_PAD, "kept"},
      {7, "kept"},
  };
  Gamepad_Init();
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.subType));
    Gamepad_Get(3)->SetDescription("kept");
    pads.subType[3] = c.subType;
    pads.connected[3] = true;
    XInput_Discover();
    EXPECT_STREQ(gamepad_get_description(3), c.description);
    pads.connected[3] = false;
    XInput_Discover();
    EXPECT_STREQ(gamepad_get_description(3), "");
  }
  pads.capabilitiesFail = true;
  pads.connected[3] = true;
  XInput_Discover();
  EXPECT_EQ(gamepad_is_connected(3), 1.0);
  EXPECT_STREQ(gamepad_get_description(3), "");

  // Long texts are cut at the limit, never inside a character.
  CGamepad* pad = Gamepad_Get(3);
  const std::string longText(600, 'x');
  pad->SetDescription(longText.c_str());
  EXPECT_EQ(std::string(pad->GetDescription()), std::string(512, 'x'));
  const std::string accents = std::string(511, 'a') + "\xC3\xA9";
  pad->SetDescription(accents.c_str());
  EXPECT_EQ(std::string(pad->GetDescription()), std::string(511, 'a'));
  pad->SetDescription(nullptr);
  EXPECT_EQ(std::string(pad->GetDescription()), std::string(511, 'a'));
}

TEST_F(GamepadTest, VibrationIsClampedAndSentWithEveryPoll) {
  StartWithPad0();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double left, right;
    WORD leftSpeed, rightSpeed;
  } cases[] = {{0.5, 2.0, 32767, 65535}, {-1.0, 0.25, 0, 16383}, {nan, 1.0, 0, 65535}, {0.0, 0.0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    gamepad_set_vibration(0, c.left, c.right);
    pads.vibrations.clear();
    XInput_Poll();
    XInput_Poll();
    ASSERT_EQ(pads.vibrations.size(), 2u);
    for (const auto& sent : pads.vibrations) {
      EXPECT_EQ(sent.first, 0u);
      EXPECT_EQ(sent.second.wLeftMotorSpeed, c.leftSpeed);
      EXPECT_EQ(sent.second.wRightMotorSpeed, c.rightSpeed);
    }
  }
}

TEST_F(GamepadTest, ColourIsOnlyLoggedWithRedAndBlueSwapped) {
  StartWithPad0();
  gamepad_set_color(0, 0x123456);
  EXPECT_NE(log.text.find("setting pad color to 0x1563412\n"), std::string::npos) << log.text;
}

TEST_F(GamepadTest, PadsAreMadeAndLoggedAtStartAndFreedAtShutdown) {
  Gamepad_Init();
  EXPECT_EQ(Count(log.text, "GAMEPAD: 4 axis values (last) at 0x"), 4u);
  Gamepad_Init();  // a second start replaces the pads
  EXPECT_EQ(g_GamepadCount, 4);
  Gamepad_Shutdown();
  EXPECT_EQ(g_GamepadCount, 0);
  EXPECT_EQ(gamepad_get_device_count(), 0.0);
  XInput_Poll();
  XInput_Discover();
}

}  // namespace
