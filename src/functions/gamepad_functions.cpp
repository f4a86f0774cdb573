#include "functions/gamepad_functions.h"

#include <cstdint>

#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "io/gamepad.h"
#include "functions/handler_args.h"

namespace {

constexpr uint8_t kGamepadFunctionFlag = 1;

// The pad named by the first argument. False, and the call does nothing more, for a number
// outside the table or when the call brought fewer arguments than the function reads: reading
// past them would read whatever lies beyond the caller's values.
bool ReadPad(int32_t argc, RValue* args, int32_t needed, int32_t* pad) {
  if (argc < needed) return false;
  *pad = WXGI32(args, 0);
  return Gamepad_IsIndex(*pad);
}

// The functions that read or drive a pad say once per run that there is no pad support, before
// they look at their arguments.
void WarnIfMissing() {
  if (!XInput_IsLoaded()) XInput_WarnIfMissing();
}

void IsSupported(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  Args_SetReal(result, gamepad_is_supported());
}

void GetDeviceCount(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  Args_SetReal(result, gamepad_get_device_count());
}

void IsConnected(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 1, &pad)) Args_SetReal(result, gamepad_is_connected(pad));
}

void GetDescription(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  RValue_SetString(result, ReadPad(argc, args, 1, &pad) ? gamepad_get_description(pad) : "");
}

void GetButtonThreshold(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 1, &pad)) Args_SetReal(result, gamepad_get_button_threshold(pad));
}

void SetButtonThreshold(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 2, &pad)) gamepad_set_button_threshold(pad, WXGF(args, 1));
}

void GetAxisDeadZone(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 1, &pad)) Args_SetReal(result, gamepad_get_axis_deadzone(pad));
}

void SetAxisDeadZone(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 2, &pad)) gamepad_set_axis_deadzone(pad, WXGF(args, 1));
}

void ButtonCount(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 1, &pad)) Args_SetReal(result, gamepad_button_count(pad));
}

// The button checks differ only in the question they put to the pad.
template <double (*Check)(int32_t, int32_t)>
void ButtonQuestion(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  WarnIfMissing();
  int32_t pad;
  if (ReadPad(argc, args, 2, &pad)) Args_SetReal(result, Check(pad, WXGI32(args, 1)));
}

void AxisCount(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  int32_t pad;
  if (ReadPad(argc, args, 1, &pad)) Args_SetReal(result, gamepad_axis_count(pad));
}

void AxisValue(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  WarnIfMissing();
  int32_t pad;
  if (ReadPad(argc, args, 2, &pad)) Args_SetReal(result, gamepad_axis_value(pad, WXGI32(args, 1)));
}

void SetVibration(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  WarnIfMissing();
  int32_t pad;
  if (!ReadPad(argc, args, 3, &pad)) return;
  const float left = WXGF(args, 1);
  const float right = WXGF(args, 2);
  gamepad_set_vibration(pad, left, right);
}

void SetColour(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  Args_SetReal(result, 0.0);
  WarnIfMissing();
  int32_t pad;
  if (ReadPad(argc, args, 2, &pad)) gamepad_set_color(pad, WXGI32(args, 1));
}

struct GamepadFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

// In registration order: games bound against the table by index see the same entries every run.
constexpr GamepadFunction kGamepadFunctions[] = {
    {"gamepad_is_supported", IsSupported, 0},
    {"gamepad_get_device_count", GetDeviceCount, 0},
    {"gamepad_is_connected", IsConnected, 1},
    {"gamepad_get_description", GetDescription, 1},
    {"gamepad_get_button_threshold", GetButtonThreshold, 1},
    {"gamepad_set_button_threshold", SetButtonThreshold, 2},
    {"gamepad_get_axis_deadzone", GetAxisDeadZone, 1},
    {"gamepad_set_axis_deadzone", SetAxisDeadZone, 2},
    {"gamepad_button_count", ButtonCount, 1},
    {"gamepad_button_check", ButtonQuestion<gamepad_button_check>, 2},
    {"gamepad_button_check_pressed", ButtonQuestion<gamepad_button_check_pressed>, 2},
    {"gamepad_button_check_released", ButtonQuestion<gamepad_button_check_released>, 2},
    {"gamepad_button_value", ButtonQuestion<gamepad_button_value>, 2},
    {"gamepad_axis_count", AxisCount, 1},
    {"gamepad_axis_value", AxisValue, 2},
    {"gamepad_set_vibration", SetVibration, 3},
    {"gamepad_set_color", SetColour, 2},
    {"gamepad_set_colour", SetColour, 2},
};

}  // namespace

void InitGamepadFunctions() {
  for (const GamepadFunction& f : kGamepadFunctions) {
    Builtin_Add(f.name, f.handler, f.argumentCount, kGamepadFunctionFlag);
  }
  Gamepad_Init();
}
