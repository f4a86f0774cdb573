#include "io/gamepad.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/console.h"
#include "core/memory_manager.h"
#include "runtime/error_report.h"
#include "runtime/game_header.h"
#include "io/async_post.h"
#include "platform/xinput/xinput.h"

namespace {

constexpr int32_t kXInputButtons = 16;
constexpr int32_t kXInputAxes = 4;

float* NewValues(int32_t count) {
  return static_cast<float*>(MEM_ALLOC(sizeof(float) * static_cast<size_t>(count > 0 ? count : 1)));
}

void PostPadEvent(bool discovered, int32_t index) {
  const AsyncMapEntry entries[] = {
      {"event_type", discovered ? "gamepad discovered" : "gamepad lost", 0.0},
      {"pad_index", nullptr, static_cast<double>(index)},
  };
  Async_PostEventMap(kAsyncEventSystem, entries, 2);
}

int32_t TableIndexOf(const CGamepad* pad) {
  for (int32_t i = 0; i < g_GamepadCount; ++i) {
    if (g_Gamepads[i] == pad) return i;
  }
  return -1;
}

// Levels outside 0..1 are pinned to the range; a level that is not a number is none.
float Level(float v) {
  if (!(v > 0.0f)) return 0.0f;
  return v > 1.0f ? 1.0f : v;
}

bool g_xinputLoaded = false;
bool g_xinputWarned = false;

// The gate of discovery and polling.
bool PadsEnabled() { return g_xinputLoaded && (g_GameHeader.infoFlags & kInfoGamepadPolling) != 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// CGamepad

CGamepad::CGamepad(int32_t buttonCount, int32_t axisCount)
    : m_buttonCount(buttonCount > 0 ? buttonCount : 0),
      m_axisCount(axisCount > 0 ? axisCount : 0),
      m_previousButtons(NewValues(buttonCount)),
      m_buttons(NewValues(buttonCount)),
      m_axes(NewValues(axisCount)),
      m_previousAxes(NewValues(axisCount)) {
  Console_DebugOutput("GAMEPAD: %d axis values (last) at 0x%" PRIxPTR "\n", m_axisCount,
                      reinterpret_cast<uintptr_t>(m_previousAxes));
  ClearValues();
}

CGamepad::~CGamepad() {
  MEM_FREE(m_previousButtons);
  MEM_FREE(m_buttons);
  MEM_FREE(m_axes);
  MEM_FREE(m_previousAxes);
}

void CGamepad::ClearValues() {
  const size_t buttonBytes = sizeof(float) * static_cast<size_t>(m_buttonCount);
  const size_t axisBytes = sizeof(float) * static_cast<size_t>(m_axisCount);
  std::memset(m_previousButtons, 0, buttonBytes);
  std::memset(m_buttons, 0, buttonBytes);
  std::memset(m_axes, 0, axisBytes);
  std::memset(m_previousAxes, 0, axisBytes);
}

void CGamepad::SetConnected(bool connected) {
  if (connected != m_connected) {
    m_connected = connected;
    PostPadEvent(connected, TableIndexOf(this));
  }
  if (!m_connected) ClearValues();
}

void CGamepad::SetDescription(const char* text) {
  if (text == nullptr) return;
  if (std::strncmp(m_description, text, kGamepadDescriptionLength) == 0) return;
  constexpr size_t limit = kGamepadDescriptionLength;
  // One byte past the limit shows whether the cut would split a character.
  const std::string_view whole(text, strnlen(text, limit + 1));
  size_t n = std::min(whole.size(), limit);
  while (n > 0 && n < whole.size() && (static_cast<unsigned char>(whole[n]) & 0xC0) == 0x80) --n;
  std::memcpy(m_description, text, n);
  m_description[n] = '\0';
}

int32_t CGamepad::GetButtonCount() const { return m_connected ? m_buttonCount : 0; }
int32_t CGamepad::GetAxisCount() const { return m_connected ? m_axisCount : 0; }

float CGamepad::AxisAsButton(int32_t code, const float* values) const {
  code &= ~(kGamepadAxisAsButton | kGamepadIgnoredBit);
  if ((code & kGamepadNegativeHalf) != 0) {
    code &= ~kGamepadNegativeHalf;
    if (code < 0 || code >= m_axisCount) return 0.0f;
    const float v = values[code];
    return v < -axisDeadZone ? std::fabs(v) : 0.0f;
  }
  if (code < 0 || code >= m_axisCount) return 0.0f;
  const float v = values[code];
  return v > axisDeadZone ? v : 0.0f;
}

float CGamepad::ButtonFrom(int32_t code, const float* buttons, const float* axes) const {
  if (code < 0) return 0.0f;
  if ((code & kGamepadAxisAsButton) != 0) return AxisAsButton(code, axes);
  return code < m_buttonCount ? buttons[code] : 0.0f;
}

bool CGamepad::CodeExists(int32_t code) const {
  if (!m_connected || code < 0) return false;
  if ((code & kGamepadAxisAsButton) != 0) {
    return (code & ~(kGamepadAxisAsButton | kGamepadIgnoredBit | kGamepadNegativeHalf)) < m_axisCount;
  }
  return code < m_buttonCount;
}

bool CGamepad::ButtonDown(int32_t code) const {
  return CodeExists(code) && ButtonFrom(code, m_buttons, m_axes) >= buttonThreshold;
}

bool CGamepad::ButtonPressed(int32_t code) const {
  return ButtonDown(code) && ButtonFrom(code, m_previousButtons, m_previousAxes) < buttonThreshold;
}

bool CGamepad::ButtonReleased(int32_t code) const {
  return CodeExists(code) && ButtonFrom(code, m_buttons, m_axes) < buttonThreshold &&
         ButtonFrom(code, m_previousButtons, m_previousAxes) >= buttonThreshold;
}

float CGamepad::ButtonValue(int32_t code) const { return ButtonFrom(code, m_buttons, m_axes); }

float CGamepad::AxisValue(int32_t code) const {
  if (code < 0) return 0.0f;
  if ((code & kGamepadButtonAsAxis) != 0) {
    code &= ~kGamepadButtonAsAxis;
    return code < m_buttonCount ? m_buttons[code] : 0.0f;
  }
  float sign = 1.0f;
  if ((code & kGamepadInvertAxis) != 0) {
    sign = -1.0f;
    code &= ~kGamepadInvertAxis;
  }
  if (code >= m_axisCount) return 0.0f;
  float v = m_axes[code];
  const float d = axisDeadZone;
  if (d > 0.0f) {
    const double magnitude = std::fabs(static_cast<double>(v));
    if (magnitude < d) {
      v = std::copysign(0.0f, v);
    } else if (d >= 1.0f) {
      // Everything but the end stop is dead: the end stop reads as full.
      v = std::copysign(1.0f, v);
    } else {
      v = static_cast<float>(std::copysign((magnitude - d) / (1.0 - d), static_cast<double>(v)));
    }
  }
  return sign * v;
}

void CGamepad::SetValues(const float* buttons, const float* axes) {
  const size_t buttonBytes = sizeof(float) * static_cast<size_t>(m_buttonCount);
  const size_t axisBytes = sizeof(float) * static_cast<size_t>(m_axisCount);
  std::memcpy(m_previousButtons, m_buttons, buttonBytes);
  std::memcpy(m_previousAxes, m_axes, axisBytes);
  std::memcpy(m_buttons, buttons, buttonBytes);
  std::memcpy(m_axes, axes, axisBytes);
}

void CGamepad::SetVibration(float left, float right) {
  vibrationLeft = Level(left);
  vibrationRight = Level(right);
}

void CGamepad::SetColour(int32_t) {}

// ---------------------------------------------------------------------------------------------
// The pad table

int32_t g_GamepadCount = 0;
CGamepad** g_Gamepads = nullptr;

CGamepad** Gamepad_SetCount(int32_t count) {
  if (count < 0) count = 0;
  if (count == g_GamepadCount) return g_Gamepads;
  g_Gamepads = static_cast<CGamepad**>(MEM_REALLOC(g_Gamepads, sizeof(CGamepad*) * static_cast<size_t>(count)));
  for (int32_t i = g_GamepadCount; i < count; ++i) g_Gamepads[i] = nullptr;
  g_GamepadCount = count;
  return g_Gamepads;
}

bool Gamepad_IsIndex(int32_t index) { return index >= 0 && index < g_GamepadCount; }

CGamepad* Gamepad_Get(int32_t index) {
  if (!Gamepad_IsIndex(index)) return nullptr;
  return g_Gamepads[index];
}

void Gamepad_AnnounceAll() {
  for (int32_t i = 0; i < g_GamepadCount; ++i) {
    if (g_Gamepads[i] != nullptr && g_Gamepads[i]->IsConnected()) PostPadEvent(true, i);
  }
}

// ---------------------------------------------------------------------------------------------
// The pad slots

void XInput_Load() { g_xinputLoaded = XInput_BackEnd().Load(); }

bool XInput_IsLoaded() { return g_xinputLoaded; }

void XInput_WarnIfMissing() {
  if (g_xinputLoaded || g_xinputWarned) return;
  g_xinputWarned = true;
  Console_DebugOutput("!!!!! xinput1_3.dll not found. Gamepad support disabled\n");
}

void XInput_Unload() {
  g_xinputLoaded = false;
  g_xinputWarned = false;
}

void XInput_Discover() {
  if (!PadsEnabled()) return;
  for (int32_t index = 0; index < kGamepadSlots; ++index) {
    CGamepad* pad = Gamepad_Get(index);
    if (pad == nullptr) continue;
    XINPUT_STATE state;
    if (XInputGetState(static_cast<DWORD>(index), &state) == ERROR_SUCCESS) {
      if (!pad->IsConnected()) {
        pad->SetConnected(true);
        XInput_SetDescription(index);
      }
    } else {
      if (pad->IsConnected()) pad->SetDescription("");
      pad->SetConnected(false);
    }
  }
}

void XInput_Poll() {
  if (!PadsEnabled()) return;
  for (int32_t index = 0; index < kGamepadSlots; ++index) {
    CGamepad* pad = Gamepad_Get(index);
    if (pad == nullptr || !pad->IsConnected()) continue;
    XINPUT_STATE state;
    if (XInputGetState(static_cast<DWORD>(index), &state) == ERROR_SUCCESS) {
      XInput_UpdatePad(index, state);
    } else {
      pad->SetDescription("");
      pad->SetConnected(false);
    }
  }
}

void XInput_UpdatePad(int32_t index, const XINPUT_STATE& state) {
  CGamepad* pad = Gamepad_Get(index);
  if (pad == nullptr) return;
  float buttons[kXInputButtons];
  for (int32_t b = 0; b < kXInputButtons; ++b) {
    buttons[b] = (state.Gamepad.wButtons & (1u << b)) != 0 ? 1.0f : 0.0f;
  }
  buttons[10] = static_cast<float>(state.Gamepad.bLeftTrigger) / 256.0f;
  buttons[11] = static_cast<float>(state.Gamepad.bRightTrigger) / 256.0f;
  const float axes[kXInputAxes] = {
      static_cast<float>(state.Gamepad.sThumbLX) / 32768.0f,
      static_cast<float>(state.Gamepad.sThumbLY) / 32768.0f,
      static_cast<float>(state.Gamepad.sThumbRX) / 32768.0f,
      static_cast<float>(state.Gamepad.sThumbRY) / 32768.0f,
  };
  pad->SetValues(buttons, axes);

  XINPUT_VIBRATION vibration;
  vibration.wLeftMotorSpeed = static_cast<WORD>(pad->vibrationLeft * 65535.0f);
  vibration.wRightMotorSpeed = static_cast<WORD>(pad->vibrationRight * 65535.0f);
  XInputSetState(static_cast<DWORD>(index), &vibration);
}

void XInput_SetDescription(int32_t index) {
  CGamepad* pad = Gamepad_Get(index);
  if (pad == nullptr) return;
  XINPUT_CAPABILITIES capabilities;
  if (XInputGetCapabilities(static_cast<DWORD>(index), 0, &capabilities) != ERROR_SUCCESS) return;
  const char* text = nullptr;
  switch (capabilities.SubType) {
    case XINPUT_DEVSUBTYPE_GAMEPAD: text = "Xbox 360 Controller (XInput STANDARD GAMEPAD)"; break;
    case XINPUT_DEVSUBTYPE_WHEEL: text = "Xbox 360 Controller (XInput WHEEL)"; break;
    case XINPUT_DEVSUBTYPE_ARCADE_STICK: text = "Xbox 360 Controller (XInput ARCADE STICK)"; break;
    case XINPUT_DEVSUBTYPE_FLIGHT_STICK: text = "Xbox 360 Controller (XInput FLIGHT STICK)"; break;
    case XINPUT_DEVSUBTYPE_DANCE_PAD: text = "Xbox 360 Controller (XInput DANCE PAD)"; break;
    case XINPUT_DEVSUBTYPE_GUITAR: text = "Xbox 360 Controller (XInput GUITAR)"; break;
    case XINPUT_DEVSUBTYPE_DRUM_KIT: text = "Xbox 360 Controller (XInput DRUM KIT)"; break;
    default: break;
  }
  pad->SetDescription(text);
}

int32_t XInput_MapButton(int32_t code) {
  if (code < 0x8000) return code;
  // Each pad button is the bit of its mask in the pad state.
  switch (code) {
    case gp_face1: return 12;
    case gp_face2: return 13;
    case gp_face3: return 14;
    case gp_face4: return 15;
    case gp_shoulderl: return 8;
    case gp_shoulderr: return 9;
    case gp_shoulderlb: return 10;
    case gp_shoulderrb: return 11;
    case gp_select: return 5;
    case gp_start: return 4;
    case gp_stickl: return 6;
    case gp_stickr: return 7;
    case gp_padu: return 0;
    case gp_padd: return 1;
    case gp_padl: return 2;
    case gp_padr: return 3;
    default: return 0;
  }
}

int32_t XInput_MapAxis(int32_t code) {
  if (code < 0x8000) return code;
  // The vertical axes are inverted so that down is positive.
  switch (code) {
    case gp_axislv: return kGamepadInvertAxis | 1;
    case gp_axisrh: return 2;
    case gp_axisrv: return kGamepadInvertAxis | 3;
    default: return 0;
  }
}

void Gamepad_Init() {
  XInput_Load();
  Gamepad_SetCount(kGamepadSlots);
  for (int32_t i = 0; i < kGamepadSlots; ++i) {
    delete g_Gamepads[i];
    g_Gamepads[i] = new CGamepad(kXInputButtons, kXInputAxes);
  }
  XInput_Discover();
}

void Gamepad_Shutdown() {
  for (int32_t i = 0; i < g_GamepadCount; ++i) {
    delete g_Gamepads[i];
    g_Gamepads[i] = nullptr;
  }
  Gamepad_SetCount(0);
}

// ---------------------------------------------------------------------------------------------
// Script functions

namespace {

// The pad a script names; the functions that read buttons and axes first warn, once, when
// there is no pad support.
CGamepad* ScriptPad(int32_t pad, bool warn) {
  if (warn && !g_xinputLoaded) XInput_WarnIfMissing();
  return Gamepad_Get(pad);
}

bool InUnitRange(double v) { return v >= 0.0 && v <= 1.0; }

}  // namespace

double gamepad_is_supported() { return g_xinputLoaded ? 1.0 : 0.0; }

double gamepad_get_device_count() { return g_GamepadCount; }

double gamepad_is_connected(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr && p->IsConnected() ? 1.0 : 0.0;
}

const char* gamepad_get_description(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr ? p->GetDescription() : "";
}

double gamepad_get_button_threshold(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr ? p->buttonThreshold : 0.0;
}

void gamepad_set_button_threshold(int32_t pad, double threshold) {
  CGamepad* p = ScriptPad(pad, false);
  if (p == nullptr) return;
  if (!InUnitRange(threshold)) {
    Error_Show("Button threshold is outside the accepted range", false);
    return;
  }
  p->buttonThreshold = static_cast<float>(threshold);
}

double gamepad_get_axis_deadzone(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr ? p->axisDeadZone : 0.0;
}

void gamepad_set_axis_deadzone(int32_t pad, double deadZone) {
  CGamepad* p = ScriptPad(pad, false);
  if (p == nullptr) return;
  if (!InUnitRange(deadZone)) {
    Error_Show("Axis dead zone is outside the accepted range", false);
    return;
  }
  p->axisDeadZone = static_cast<float>(deadZone);
}

double gamepad_button_count(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr ? p->GetButtonCount() : 0.0;
}

double gamepad_button_check(int32_t pad, int32_t button) {
  CGamepad* p = ScriptPad(pad, true);
  return p != nullptr && p->ButtonDown(XInput_MapButton(button)) ? 1.0 : 0.0;
}

double gamepad_button_check_pressed(int32_t pad, int32_t button) {
  CGamepad* p = ScriptPad(pad, true);
  return p != nullptr && p->ButtonPressed(XInput_MapButton(button)) ? 1.0 : 0.0;
}

double gamepad_button_check_released(int32_t pad, int32_t button) {
  CGamepad* p = ScriptPad(pad, true);
  return p != nullptr && p->ButtonReleased(XInput_MapButton(button)) ? 1.0 : 0.0;
}

double gamepad_button_value(int32_t pad, int32_t button) {
  CGamepad* p = ScriptPad(pad, true);
  return p != nullptr ? p->ButtonValue(XInput_MapButton(button)) : 0.0;
}

double gamepad_axis_count(int32_t pad) {
  CGamepad* p = ScriptPad(pad, false);
  return p != nullptr ? p->GetAxisCount() : 0.0;
}

double gamepad_axis_value(int32_t pad, int32_t axis) {
  CGamepad* p = ScriptPad(pad, true);
  return p != nullptr ? p->AxisValue(XInput_MapAxis(axis)) : 0.0;
}

void gamepad_set_vibration(int32_t pad, double left, double right) {
  CGamepad* p = ScriptPad(pad, true);
  if (p != nullptr) p->SetVibration(static_cast<float>(left), static_cast<float>(right));
}

void gamepad_set_color(int32_t pad, int32_t colour) {
  CGamepad* p = ScriptPad(pad, true);
  if (p == nullptr) return;
  const uint32_t c = static_cast<uint32_t>(colour);
  const uint32_t device = 0x01000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  Console_DebugOutput("setting pad color to 0x%x\n", device);
  p->SetColour(colour);
}
