// Gamepads: up to four pads that scripts read by number, fed from the pad slots of the platform
// layer (platform/xinput/xinput.h).
//
// A pad keeps its buttons (0..1) and axes (-1..1) of the last poll and of the one before, so a
// press or release is seen in exactly the step whose poll changed it. Pads are looked for at
// start-up and on every device change, read once per step, and each arrival or loss is posted
// to the game once, as an asynchronous System event with "event_type" and "pad_index".
//
// Everything runs only while the game header asks for gamepads (information flag 0x4).
#pragma once

#include <cstdint>

// Button codes: below 0x8000 a button index; with 0x1000 an axis read as a button (0x4000 is
// ignored), with 0x2000 also its negative half.
inline constexpr int32_t kGamepadAxisAsButton = 0x1000;
inline constexpr int32_t kGamepadNegativeHalf = 0x2000;
inline constexpr int32_t kGamepadIgnoredBit = 0x4000;
// Axis codes: below 0x8000 an axis index; 0x8000 inverts it; 0x1000 reads a button as an axis.
inline constexpr int32_t kGamepadInvertAxis = 0x8000;
inline constexpr int32_t kGamepadButtonAsAxis = 0x1000;

// The script constants for buttons and axes, translated to pad codes by XInput_MapButton and
// XInput_MapAxis.
inline constexpr int32_t gp_face1 = 0x8001;
inline constexpr int32_t gp_face2 = 0x8002;
inline constexpr int32_t gp_face3 = 0x8003;
inline constexpr int32_t gp_face4 = 0x8004;
inline constexpr int32_t gp_shoulderl = 0x8005;
inline constexpr int32_t gp_shoulderr = 0x8006;
inline constexpr int32_t gp_shoulderlb = 0x8007;
inline constexpr int32_t gp_shoulderrb = 0x8008;
inline constexpr int32_t gp_select = 0x8009;
inline constexpr int32_t gp_start = 0x800A;
inline constexpr int32_t gp_stickl = 0x800B;
inline constexpr int32_t gp_stickr = 0x800C;
inline constexpr int32_t gp_padu = 0x800D;
inline constexpr int32_t gp_padd = 0x800E;
inline constexpr int32_t gp_padl = 0x800F;
inline constexpr int32_t gp_padr = 0x8010;
inline constexpr int32_t gp_axislh = 0x8011;
inline constexpr int32_t gp_axislv = 0x8012;
inline constexpr int32_t gp_axisrh = 0x8013;
inline constexpr int32_t gp_axisrv = 0x8014;

inline constexpr int32_t kGamepadDescriptionLength = 512;
inline constexpr int32_t kGamepadSlots = 4;

class CGamepad {
 public:
  // Disconnected, threshold 0.5, no dead zone, every value 0.
  CGamepad(int32_t buttonCount, int32_t axisCount);
  ~CGamepad();
  CGamepad(const CGamepad&) = delete;
  CGamepad& operator=(const CGamepad&) = delete;

  void ClearValues();
  // A change posts "gamepad discovered" or "gamepad lost"; a pad that is not connected reads 0.
  void SetConnected(bool connected);
  bool IsConnected() const { return m_connected; }
  // Null changes nothing; longer texts are cut (at a character boundary).
  void SetDescription(const char* text);
  const char* GetDescription() const { return m_description; }

  // 0 while not connected.
  int32_t GetButtonCount() const;
  int32_t GetAxisCount() const;

  // An axis code read as a button from `values` (the current or the previous axes).
  float AxisAsButton(int32_t code, const float* values) const;
  // Codes of buttons and axes the pad does not have, and every code of a pad that is not
  // connected, are never down, pressed or released, whatever the threshold.
  bool ButtonDown(int32_t code) const;
  bool ButtonPressed(int32_t code) const;
  bool ButtonReleased(int32_t code) const;
  float ButtonValue(int32_t code) const;
  float AxisValue(int32_t code) const;
  // The current values become the previous ones; the new ones are copied in.
  void SetValues(const float* buttons, const float* axes);
  void SetVibration(float left, float right);
  void SetColour(int32_t colour);

  float buttonThreshold = 0.5f;
  float axisDeadZone = 0.0f;
  float vibrationLeft = 0.0f;
  float vibrationRight = 0.0f;

 private:
  // The button value of a code with the given arrays; 0 for an index outside them.
  float ButtonFrom(int32_t code, const float* buttons, const float* axes) const;
  bool CodeExists(int32_t code) const;

  bool m_connected = false;
  int32_t m_buttonCount;
  int32_t m_axisCount;
  float* m_previousButtons;
  float* m_buttons;
  float* m_axes;
  float* m_previousAxes;
  char m_description[kGamepadDescriptionLength + 1] = {};
};

// The pad table: null entries allowed.
extern int32_t g_GamepadCount;
extern CGamepad** g_Gamepads;
// Resizes the table; new entries are null, entries beyond a smaller count are dropped.
CGamepad** Gamepad_SetCount(int32_t count);
// The pad at an index; null outside the table or for an empty entry.
// True for an index inside the pad table.
bool Gamepad_IsIndex(int32_t index);
CGamepad* Gamepad_Get(int32_t index);
// Posts "gamepad discovered" again for every connected pad (after a game restart).
void Gamepad_AnnounceAll();

// The pad slots.
void XInput_Load();
bool XInput_IsLoaded();
// Once per run, while no pad support is loaded: "!!!!! xinput1_3.dll not found. Gamepad support
// disabled".
void XInput_WarnIfMissing();
// Looks for pads that arrived or left (start-up and every device change).
void XInput_Discover();
// Reads the connected pads once per step; a failed read loses the pad.
void XInput_Poll();
struct XINPUT_STATE;
void XInput_UpdatePad(int32_t index, const XINPUT_STATE& state);
void XInput_SetDescription(int32_t index);
int32_t XInput_MapButton(int32_t code);
int32_t XInput_MapAxis(int32_t code);
// Back to a fresh process: not loaded, the warning not given.
void XInput_Unload();

// Start-up of a pass: loads the slots, makes four pads of 16 buttons and 4 axes, discovers.
void Gamepad_Init();
// Deletes every pad and empties the table (end of the main loop).
void Gamepad_Shutdown();

// The gamepad script functions (registered as built-in functions by functions/gamepad_functions.h). A
// pad number outside the table (or of an empty entry) answers 0 ("" for the description) and
// changes nothing.
double gamepad_is_supported();
double gamepad_get_device_count();
double gamepad_is_connected(int32_t pad);
const char* gamepad_get_description(int32_t pad);
double gamepad_get_button_threshold(int32_t pad);
// Outside 0..1: the error "Button threshold is outside the accepted range", the value is kept.
void gamepad_set_button_threshold(int32_t pad, double threshold);
double gamepad_get_axis_deadzone(int32_t pad);
// Outside 0..1: the error "Axis dead zone is outside the accepted range".
void gamepad_set_axis_deadzone(int32_t pad, double deadZone);
double gamepad_button_count(int32_t pad);
double gamepad_button_check(int32_t pad, int32_t button);
double gamepad_button_check_pressed(int32_t pad, int32_t button);
double gamepad_button_check_released(int32_t pad, int32_t button);
double gamepad_button_value(int32_t pad, int32_t button);
double gamepad_axis_count(int32_t pad);
double gamepad_axis_value(int32_t pad, int32_t axis);
void gamepad_set_vibration(int32_t pad, double left, double right);
// Also "gamepad_set_colour". Pads have no light to set: only logged.
void gamepad_set_color(int32_t pad, int32_t colour);
