// The gamepad script functions as the interpreter sees them: found by name in the built-in
// table and called with value arguments, on a fake pad-slot back end.
#include "functions/gamepad_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/run_switches.h"
#include "core/value.h"
#include "runtime/error_report.h"
#include "host/fake_pads.h"
#include "host/host_fixture.h"
#include "host/host_test_support.h"
#include "host/game_loader.h"
#include "runtime/game_header.h"
#include "io/gamepad.h"
#include "net/async_test_support.h"
#include "vm/calls.h"

namespace {

using host_test::Count;
using host_test::FakeXInput;


RValue Real(double d) { return RValue_MakeReal(d); }

RValue Int32(int32_t i) {
  RValue v = RValue_MakeUndefined();
  v.v32 = i;
  v.kind = VALUE_INT32;
  return v;
}

RValue Text(const char* text) {
  RValue v = RValue_MakeUndefined();
  RValue_InitString(&v, text);
  return v;
}

// What a call answered: its kind, and its real or its text.
struct Answer {
  uint32_t kind = VALUE_UNDEFINED;
  double real = 0.0;
  std::string text;
};

// A call as the interpreter makes it: the entry found by name, the arguments passed by pointer.
// The arguments are released afterwards.
Answer Call(const char* name, std::vector<RValue> args = {}) {
  Answer answer;
  int32_t id = -1;
  const bool found = Builtin_FindCallable(name, &id);
  EXPECT_TRUE(found) << name;
  if (found) {
    std::vector<RValue*> pointers;
    for (RValue& a : args) pointers.push_back(&a);
    RValue result = Real(-7.0);  // nothing a handler answers by itself
    VM_CallBuiltin(nullptr, nullptr, &result, static_cast<int32_t>(args.size()), id, pointers.data());
    answer.kind = RValue_Kind(&result);
    if (answer.kind == VALUE_REAL) answer.real = result.val;
    if (answer.kind == VALUE_STRING && result.pString != nullptr && result.pString->text != nullptr) {
      answer.text = result.pString->text;
    }
    RValue_Release(&result);
  }
  for (RValue& a : args) RValue_Release(&a);
  return answer;
}

// The real answer of a call; a non-real answer fails the test.
double CallReal(const char* name, std::vector<RValue> args = {}) {
  const Answer a = Call(name, std::move(args));
  EXPECT_EQ(a.kind, VALUE_REAL) << name;
  return a.kind == VALUE_REAL ? a.real : std::nan("");
}

std::string CallText(const char* name, std::vector<RValue> args) {
  const Answer a = Call(name, std::move(args));
  EXPECT_EQ(a.kind, VALUE_STRING) << name;
  return a.text;
}

class GamepadFunctionsTest : public testing::Test {
 protected:
  void SetUp() override {
    Builtin_Shutdown();
    g_GameHeader = GameHeader();  // every information flag set: pads on
    Async_Shutdown();
    XInput_Unload();
    savedConsole = g_pDebugConsole;
    g_pDebugConsole = &log;
    g_IsHeadless = true;  // errors are logged, never shown
    Error_ClearSuppression();
    error_last = SharedString_Unref(error_last);
  }
  void TearDown() override {
    Gamepad_Shutdown();
    Builtin_Shutdown();
    XInput_Unload();
    g_pDebugConsole = savedConsole;
    g_IsHeadless = false;
    Error_ClearSuppression();
    error_last = SharedString_Unref(error_last);
    Async_Shutdown();
  }

  // Registration as at start-up, with the pads plugged in so far; the discovery events forgotten.
  void Start() {
    InitGamepadFunctions();
    Async_Shutdown();
  }

  void Poll(const XINPUT_GAMEPAD& state, DWORD user = 0) {
    pads.pad[user] = state;
    XInput_Poll();
  }

  static XINPUT_GAMEPAD Buttons(WORD mask) {
    XINPUT_GAMEPAD p;
    p.wButtons = mask;
    return p;
  }

  static std::string LastError() { return error_last != nullptr ? error_last->text : ""; }

  FakeXInput pads;
  CaptureConsole log;
  tagIConsole* savedConsole = nullptr;
};

TEST_F(GamepadFunctionsTest, RegisteredInOrderWithTheirArgumentCountsThenThePadsStart) {
  pads.connected[2] = true;
  InitGamepadFunctions();
  const struct {
    const char* name;
    int32_t argumentCount;
  } expected[] = {
      {"gamepad_is_supported", 0},          {"gamepad_get_device_count", 0},
      {"gamepad_is_connected", 1},          {"gamepad_get_description", 1},
      {"gamepad_get_button_threshold", 1},  {"gamepad_set_button_threshold", 2},
      {"gamepad_get_axis_deadzone", 1},     {"gamepad_set_axis_deadzone", 2},
      {"gamepad_button_count", 1},          {"gamepad_button_check", 2},
      {"gamepad_button_check_pressed", 2},  {"gamepad_button_check_released", 2},
      {"gamepad_button_value", 2},          {"gamepad_axis_count", 1},
      {"gamepad_axis_value", 2},            {"gamepad_set_vibration", 3},
      {"gamepad_set_color", 2},             {"gamepad_set_colour", 2},
  };
  ASSERT_EQ(g_BuiltinCount, static_cast<int32_t>(std::size(expected)));
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    SCOPED_TRACE(i);
    const BuiltinFunction& entry = g_BuiltinFunctions[i];
    EXPECT_STREQ(entry.name, expected[i].name);
    EXPECT_EQ(entry.argumentCount, expected[i].argumentCount);
    EXPECT_EQ(entry.flag, 1);
    EXPECT_NE(entry.handler, nullptr);
  }
  // Both spellings of the colour function are one handler.
  EXPECT_EQ(g_BuiltinFunctions[16].handler, g_BuiltinFunctions[17].handler);

  // The pads were started after the registration: four of them, the plugged-in one found.
  EXPECT_EQ(g_GamepadCount, 4);
  ASSERT_EQ(async_test::QueuedMapEvents().size(), 1u);
  EXPECT_EQ(CallReal("gamepad_is_connected", {Real(2)}), 1.0);
}

TEST_F(GamepadFunctionsTest, StartUpRegistrationStartsThePadsOnce) {
  pads.connected[0] = true;
  InitTLLFunctions();
  EXPECT_NE(log.text.find("Gamepad.."), std::string::npos);
  int32_t id = -1;
  EXPECT_TRUE(Builtin_FindCallable("gamepad_set_colour", &id));
  EXPECT_EQ(CallReal("gamepad_get_device_count"), 4.0);
  EXPECT_EQ(CallReal("gamepad_is_connected", {Real(0)}), 1.0);
  // One start makes four pads; a second would have made four more and posted a second discovery.
  EXPECT_EQ(Count(log.text, "GAMEPAD: 4 axis values (last) at 0x"), 4u);
  EXPECT_EQ(async_test::QueuedMapEvents().size(), 1u);
}

TEST_F(GamepadFunctionsTest, ThePadArgumentIsReadAsAWholeNumberOfAnyKind) {
  pads.connected[1] = true;
  Start();
  const struct {
    const char* form;
    RValue pad;
  } cases[] = {
      {"real", Real(1.0)}, {"real cut toward zero", Real(1.9)}, {"int32", Int32(1)}, {"text", Text("1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    EXPECT_EQ(CallReal("gamepad_is_connected", {c.pad}), 1.0);
  }
  EXPECT_EQ(CallReal("gamepad_is_connected", {Real(0.0)}), 0.0);
  EXPECT_EQ(CallReal("gamepad_is_connected", {Real(2.0)}), 0.0);
}

TEST_F(GamepadFunctionsTest, BadPadNumbersAnswerZeroAndChangeNothing) {
  for (bool& c : pads.connected) c = true;
  Start();
  XINPUT_GAMEPAD all = Buttons(0xFFFF);
  all.sThumbLX = all.sThumbLY = all.sThumbRX = all.sThumbRY = 32767;
  for (DWORD user = 0; user < 4; ++user) pads.pad[user] = all;
  XInput_Poll();  // every button pressed in this step, every axis at full
  Gamepad_SetCount(5);  // number 4 is inside the table but holds no pad

  // The same calls on pad 0 give these answers; on a bad pad every one gives 0.
  const struct {
    const char* name;
    double goodAnswer;
    std::vector<RValue> extra;
  } getters[] = {
      {"gamepad_is_connected", 1.0, {}},
      {"gamepad_get_button_threshold", 0.5, {}},
      {"gamepad_button_count", 16.0, {}},
      {"gamepad_button_check", 1.0, {Real(gp_face1)}},
      {"gamepad_button_check_pressed", 1.0, {Real(gp_face1)}},
      {"gamepad_button_value", 1.0, {Real(gp_start)}},
      {"gamepad_axis_count", 4.0, {}},
      {"gamepad_axis_value", 32767.0 / 32768.0, {Real(gp_axislh)}},
  };
  const struct {
    const char* name;
    std::vector<RValue> extra;
  } setters[] = {
      {"gamepad_set_button_threshold", {Real(0.9)}},
      {"gamepad_set_axis_deadzone", {Real(0.3)}},
      {"gamepad_set_button_threshold", {Real(7.0)}},  // would be an error on a real pad
      {"gamepad_set_vibration", {Real(1.0), Real(1.0)}},
      {"gamepad_set_color", {Real(0xFF)}},
      {"gamepad_set_colour", {Real(0xFF)}},
  };
  const double badPads[] = {-1.0, 4.0, 5.0, 1000.0, 1e12, -1e12};
  for (double pad : badPads) {
    SCOPED_TRACE(pad);
    for (const auto& g : getters) {
      std::vector<RValue> args{Real(pad)};
      args.insert(args.end(), g.extra.begin(), g.extra.end());
      const Answer a = Call(g.name, args);
      EXPECT_EQ(a.kind, VALUE_REAL) << g.name;
      EXPECT_EQ(a.real, 0.0) << g.name;
    }
    for (const auto& s : setters) {
      std::vector<RValue> args{Real(pad)};
      args.insert(args.end(), s.extra.begin(), s.extra.end());
      const Answer a = Call(s.name, args);
      EXPECT_EQ(a.kind, VALUE_REAL) << s.name;
      EXPECT_EQ(a.real, 0.0) << s.name;
    }
    EXPECT_EQ(CallText("gamepad_get_description", {Real(pad)}), "");
  }
  for (int32_t i = 0; i < 4; ++i) {
    const CGamepad* pad = Gamepad_Get(i);
    EXPECT_EQ(pad->buttonThreshold, 0.5f);
    EXPECT_EQ(pad->axisDeadZone, 0.0f);
    EXPECT_EQ(pad->vibrationLeft, 0.0f);
    EXPECT_EQ(pad->vibrationRight, 0.0f);
  }
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(log.text.find("setting pad color"), std::string::npos);

  for (const auto& g : getters) {
    std::vector<RValue> args{Real(0)};
    args.insert(args.end(), g.extra.begin(), g.extra.end());
    EXPECT_FLOAT_EQ(CallReal(g.name, args), g.goodAnswer) << g.name;
  }
}

TEST_F(GamepadFunctionsTest, CallsShortOfArgumentsDoNothing) {
  pads.connected[0] = true;
  Start();
  Poll(Buttons(XINPUT_GAMEPAD_DPAD_UP));  // button 0, which a missing button code would read
  const struct {
    const char* name;
    std::vector<RValue> args;
  } cases[] = {
      {"gamepad_is_connected", {}},
      {"gamepad_button_check", {Real(0)}},
      {"gamepad_button_value", {Real(0)}},
      {"gamepad_set_button_threshold", {Real(0)}},
      {"gamepad_set_axis_deadzone", {Real(0)}},
      {"gamepad_set_vibration", {Real(0), Real(1.0)}},
      {"gamepad_set_color", {Real(0)}},
  };
  for (const auto& c : cases) EXPECT_EQ(CallReal(c.name, c.args), 0.0) << c.name;
  EXPECT_EQ(CallText("gamepad_get_description", {}), "");
  const CGamepad* pad = Gamepad_Get(0);
  EXPECT_EQ(pad->buttonThreshold, 0.5f);
  EXPECT_EQ(pad->vibrationLeft, 0.0f);
  EXPECT_EQ(LastError(), "");
  EXPECT_EQ(log.text.find("setting pad color"), std::string::npos);
}

TEST_F(GamepadFunctionsTest, ButtonsArePressedHeldAndReleasedOneStepEach) {
  pads.connected[0] = true;
  Start();
  XINPUT_GAMEPAD trigger;
  trigger.bLeftTrigger = 200;  // 0.78
  const struct {
    const char* name;
    XINPUT_GAMEPAD down;
    int32_t button;
    double value;
  } cases[] = {
      {"face button", Buttons(XINPUT_GAMEPAD_A), gp_face1, 1.0},
      {"trigger", trigger, gp_shoulderlb, 200.0 / 256.0},
      {"axis constant reads d-pad up", Buttons(XINPUT_GAMEPAD_DPAD_UP), gp_axislh, 1.0},
  };
  const XINPUT_GAMEPAD up;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Poll(up);
    Poll(up);
    const struct {
      bool held;
      double check, pressed, released;
    } steps[] = {{true, 1, 1, 0}, {true, 1, 0, 0}, {false, 0, 0, 1}, {false, 0, 0, 0}};
    for (const auto& s : steps) {
      Poll(s.held ? c.down : up);
      EXPECT_EQ(CallReal("gamepad_button_check", {Real(0), Real(c.button)}), s.check);
      EXPECT_EQ(CallReal("gamepad_button_check_pressed", {Real(0), Real(c.button)}), s.pressed);
      EXPECT_EQ(CallReal("gamepad_button_check_released", {Real(0), Real(c.button)}), s.released);
      EXPECT_DOUBLE_EQ(CallReal("gamepad_button_value", {Real(0), Real(c.button)}), s.held ? c.value : 0.0);
    }
  }

  // A light trigger counts as down once the threshold comes down to it.
  XINPUT_GAMEPAD light;
  light.bRightTrigger = 64;  // 0.25
  Poll(light);
  EXPECT_EQ(CallReal("gamepad_button_check", {Real(0), Real(gp_shoulderrb)}), 0.0);
  Call("gamepad_set_button_threshold", {Real(0), Real(0.25)});
  EXPECT_EQ(CallReal("gamepad_button_check", {Real(0), Real(gp_shoulderrb)}), 1.0);
}

TEST_F(GamepadFunctionsTest, AxesWithADeadZone) {
  pads.connected[0] = true;
  Start();
  EXPECT_EQ(CallReal("gamepad_set_axis_deadzone", {Real(0), Real(0.2)}), 0.0);
  EXPECT_FLOAT_EQ(CallReal("gamepad_get_axis_deadzone", {Real(0)}), 0.2f);
  const struct {
    const char* name;
    int16_t lx, ly;
    double horizontal;   // gp_axislh
    double vertical;     // gp_axislv, down positive
    double asButton;     // axis 0 read as a button
    double lowAsButton;  // axis 0's negative half read as a button
  } cases[] = {
      {"inside the dead zone", 3277, 0, 0.0, 0.0, 0.0, 0.0},
      {"past it, scaled", 19661, 0, 0.5, 0.0, 0.6, 0.0},
      {"left and up", -19661, 16384, -0.5, -0.375, 0.0, 0.6},
      {"full", 32767, -32768, 1.0, 1.0, 1.0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    XINPUT_GAMEPAD stick;
    stick.sThumbLX = c.lx;
    stick.sThumbLY = c.ly;
    Poll(stick);
    EXPECT_NEAR(CallReal("gamepad_axis_value", {Real(0), Real(gp_axislh)}), c.horizontal, 1e-4);
    EXPECT_NEAR(CallReal("gamepad_axis_value", {Real(0), Real(gp_axislv)}), c.vertical, 1e-4);
    EXPECT_NEAR(CallReal("gamepad_button_value", {Real(0), Real(kGamepadAxisAsButton | 0)}), c.asButton, 1e-4);
    EXPECT_NEAR(CallReal("gamepad_button_value", {Real(0), Real(kGamepadAxisAsButton | kGamepadNegativeHalf | 0)}),
                c.lowAsButton, 1e-4);
  }
}

TEST_F(GamepadFunctionsTest, ThresholdAndDeadZoneSettersRejectValuesOutsideZeroToOne) {
  pads.connected[0] = true;
  Start();
  const struct {
    const char* setter;
    const char* getter;
    double initial;
    const char* error;
  } functions[] = {
      {"gamepad_set_button_threshold", "gamepad_get_button_threshold", 0.5,
       "Button threshold is outside the accepted range"},
      {"gamepad_set_axis_deadzone", "gamepad_get_axis_deadzone", 0.0, "Axis dead zone is outside the accepted range"},
  };
  const struct {
    double value;
    bool accepted;
  } values[] = {{0.0, true}, {1.0, true}, {0.75, true}, {1.5, false}, {-0.1, false}, {1e300, false}};
  for (const auto& f : functions) {
    for (const auto& v : values) {
      SCOPED_TRACE(std::string(f.setter) + " " + std::to_string(v.value));
      Call(f.setter, {Real(0), Real(f.initial)});
      error_last = SharedString_Unref(error_last);
      EXPECT_EQ(CallReal(f.setter, {Real(0), Real(v.value)}), 0.0);
      EXPECT_EQ(LastError(), v.accepted ? "" : f.error);
      EXPECT_DOUBLE_EQ(CallReal(f.getter, {Real(0)}), v.accepted ? v.value : f.initial);
    }
  }
}

TEST_F(GamepadFunctionsTest, VibrationIsClampedAndSentWithTheNextPoll) {
  pads.connected[0] = true;
  Start();
  const struct {
    double left, right;
    WORD leftSpeed, rightSpeed;
  } cases[] = {{0.5, 2.0, 32767, 65535}, {-1.0, 0.25, 0, 16383}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    EXPECT_EQ(CallReal("gamepad_set_vibration", {Real(0), Real(c.left), Real(c.right)}), 0.0);
    pads.vibrations.clear();
    XInput_Poll();
    ASSERT_EQ(pads.vibrations.size(), 1u);
    EXPECT_EQ(pads.vibrations[0].first, 0u);
    EXPECT_EQ(pads.vibrations[0].second.wLeftMotorSpeed, c.leftSpeed);
    EXPECT_EQ(pads.vibrations[0].second.wRightMotorSpeed, c.rightSpeed);
  }
}

TEST_F(GamepadFunctionsTest, SupportCountsAndDescriptions) {
  pads.connected[1] = true;
  pads.subType[1] = XINPUT_DEVSUBTYPE_GUITAR;
  Start();
  EXPECT_EQ(CallReal("gamepad_is_supported"), 1.0);
  EXPECT_EQ(CallReal("gamepad_get_device_count"), 4.0);
  const struct {
    int32_t pad;
    double connected, buttons, axes;
    const char* description;
  } cases[] = {
      {1, 1.0, 16.0, 4.0, "Xbox 360 Controller (XInput GUITAR)"},
      {2, 0.0, 0.0, 0.0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pad);
    EXPECT_EQ(CallReal("gamepad_is_connected", {Real(c.pad)}), c.connected);
    EXPECT_EQ(CallReal("gamepad_button_count", {Real(c.pad)}), c.buttons);
    EXPECT_EQ(CallReal("gamepad_axis_count", {Real(c.pad)}), c.axes);
    EXPECT_EQ(CallText("gamepad_get_description", {Real(c.pad)}), c.description);
  }
}

TEST_F(GamepadFunctionsTest, WithoutPadSupportTheReadingFunctionsWarnOnceEvenForBadPads) {
  pads.loads = false;
  pads.connected[0] = true;
  Start();
  EXPECT_EQ(CallReal("gamepad_is_supported"), 0.0);
  EXPECT_EQ(CallReal("gamepad_is_connected", {Real(0)}), 0.0);
  EXPECT_EQ(CallReal("gamepad_axis_count", {Real(0)}), 0.0);
  EXPECT_EQ(log.text.find("not found"), std::string::npos);
  EXPECT_EQ(CallReal("gamepad_button_check", {Real(9), Real(gp_face1)}), 0.0);
  EXPECT_EQ(Count(log.text, "!!!!! xinput1_3.dll not found. Gamepad support disabled\n"), 1u);
  EXPECT_EQ(CallReal("gamepad_axis_value", {Real(0), Real(gp_axislh)}), 0.0);
  EXPECT_EQ(CallReal("gamepad_set_vibration", {Real(0), Real(1), Real(1)}), 0.0);
  EXPECT_EQ(Count(log.text, "!!!!! xinput1_3.dll not found. Gamepad support disabled\n"), 1u);
}

TEST_F(GamepadFunctionsTest, ColourIsOnlyLoggedWithRedAndBlueExchanged) {
  pads.connected[0] = true;
  Start();
  const struct {
    const char* name;
    double colour;
    const char* line;
  } cases[] = {
      {"gamepad_set_color", 0x123456, "setting pad color to 0x1563412\n"},
      {"gamepad_set_colour", 0x0000FF, "setting pad color to 0x1ff0000\n"},
  };
  for (const auto& c : cases) {
    log.text.clear();
    EXPECT_EQ(CallReal(c.name, {Real(0), Real(c.colour)}), 0.0);
    EXPECT_EQ(log.text, c.line);
  }
}

}  // namespace
