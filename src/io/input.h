// Keyboard and mouse state, the virtual keys, and input recording and playback.
//
// Window messages arrive at any time inside the message pump; the message hooks record them in
// the message buffer. Once per game step IO_Update turns that buffer into the live state that
// scripts read, so every check within one step sees the same input: pressed and released flags
// live exactly one step. With -record every step's live state is appended to a file; with
// -playback it is read back from one instead of coming from the devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

inline constexpr int32_t IO_KEY_COUNT = 256;
inline constexpr int32_t IO_DEVICE_COUNT = 10;
inline constexpr int32_t IO_BUTTON_COUNT = 3;      // 1 left, 2 right, 3 middle
inline constexpr int32_t IO_STRING_UNITS = 1025;   // the keyboard string with its terminator
inline constexpr int32_t IO_STRING_WRAP = 1023;    // a longer typed string starts again
inline constexpr int32_t IO_POINTER_COUNT = 128;
inline constexpr int32_t IO_VIRTUAL_KEY_COUNT = 128;
// One recorded step.
inline constexpr size_t IO_FRAME_SIZE = 3034;
// The marker of the input block of a saved game.
inline constexpr int32_t IO_SAVE_MARKER = 851;

// What the messages said since the last step.
struct IO_MessageBuffer {
  bool keyHeld[IO_KEY_COUNT] = {};
  bool wheelDown = false;
  bool wheelUp = false;
  int32_t lastKey = 0;
  uint16_t lastChar = 0;
  bool keyReleased[IO_KEY_COUNT] = {};
  bool buttonHeld[IO_BUTTON_COUNT] = {};
  int32_t mouseX = 0;  // client position of the last mouse move
  int32_t previousKey = 0;  // the current key before the last key-down
  bool buttonPressed[IO_BUTTON_COUNT] = {};
  uint16_t keyboardString[IO_STRING_UNITS] = {};
  int32_t keyboardStringLength = 0;
  int32_t currentKey = 0;
  int32_t currentButton = 0;
  int32_t lastButton = 0;
  bool buttonReleased[IO_BUTTON_COUNT] = {};
  int32_t mouseY = 0;
  bool keyPressed[IO_KEY_COUNT] = {};
};

// The live state: what scripts and events read during a step.
struct IO_InputState {
  IO_InputState() {
    for (int32_t k = 0; k < IO_KEY_COUNT; ++k) keyMap[k] = k;
  }
  bool keyHeld[IO_KEY_COUNT] = {};
  bool keyPressed[IO_KEY_COUNT] = {};
  bool keyReleased[IO_KEY_COUNT] = {};
  int32_t keyMap[IO_KEY_COUNT];  // identity until a script changes it
  int32_t currentKey = 0;
  int32_t lastKey = 0;
  uint16_t lastChar = 0;
  uint16_t keyboardString[IO_STRING_UNITS] = {};
  int32_t mouseButton[IO_DEVICE_COUNT] = {};
  int32_t lastMouseButton[IO_DEVICE_COUNT] = {};
  bool buttonHeld[IO_DEVICE_COUNT][IO_BUTTON_COUNT] = {};
  bool buttonPressed[IO_DEVICE_COUNT][IO_BUTTON_COUNT] = {};
  bool buttonReleased[IO_DEVICE_COUNT][IO_BUTTON_COUNT] = {};
  bool wheelUp[IO_DEVICE_COUNT] = {};
  bool wheelDown[IO_DEVICE_COUNT] = {};
  int32_t cursorX = 0;  // screen position of the cursor at the last update
  int32_t cursorY = 0;
  int32_t mouseX = 0;  // device 0 in client coordinates, as recorded
  int32_t mouseY = 0;
  int32_t deviceMouseX[IO_DEVICE_COUNT] = {};
  int32_t deviceMouseY[IO_DEVICE_COUNT] = {};
  uint32_t virtualKeyHitMask = 0;
  bool record = false;
  bool playback = false;
  std::string inputFileName;
  FILE* inputFile = nullptr;
};

extern IO_InputState g_IOInputState;
extern IO_MessageBuffer g_IOMessageBuffer;

// A pointer (mouse or touch) as the virtual keys see it.
struct PointerRecord {
  int32_t flags = 0;  // bit 31 set while the pointer is down
  int32_t x = 0;
  int32_t y = 0;
  uint32_t reserved = 0;
  int32_t last = 0;
};
// The current table, written by the mouse hooks (record 0: the left button), and the previous
// one, copied from it before every frame; the virtual keys test the previous one.
extern PointerRecord IO_CurrentPointers[IO_POINTER_COUNT];
extern PointerRecord IO_PreviousPointers[IO_POINTER_COUNT];

// An on-screen button that delivers a key or a mouse button while a pointer is on it.
struct VirtualKey {
  uint16_t flags = 0;  // bit 0 in use, bit 1 visible; 0 free
  int16_t index = 0;   // its own position; a script handle is index + 1
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t u = 0;
  int32_t v = 0;
  int32_t key = 0;     // key code delivered (0: none)
  int32_t button = 0;  // mouse button delivered when key is 0
};
inline constexpr uint16_t kVirtualKeyInUse = 0x1;
inline constexpr uint16_t kVirtualKeyVisible = 0x2;
// The table made by IO_Init (null before) and its record count.
extern VirtualKey* IO_VirtualKeys;
extern int32_t IO_VirtualKeyCount;

// Message hooks.
void IO_MsgKeyDown(int32_t vk, bool repeat);
void IO_MsgKeyUp(int32_t vk);
void IO_MsgChar(uint16_t unit);
void IO_MsgMouseDown(int32_t button, int32_t x, int32_t y);
void IO_MsgMouseUp(int32_t button, int32_t x, int32_t y);
void IO_MsgWheelUp();
void IO_MsgWheelDown();

// Start-up of a pass: takes -record / -playback from the command line and opens the file.
void IO_Init();
// Once per game step.
void IO_Update();
void IO_ProcessMessages();
void IO_Clear();
void IO_Shutdown();
// Everything back to the state of a fresh process (files closed, table freed).
void IO_Reset();

void IO_ResetPointerTable();
void IO_CopyPointerTable();

void IO_UpdateVirtualKeys();
// The size of the GUI layer: the display's unless a script set one.
void IO_GuiSize(double* width, double* height);
VirtualKey* IO_FindFreeVirtualKey();
void IO_DeleteVirtualKey(int32_t index);
void IO_ClearVirtualKeys();

// The live state as one recorded step, and back; reading a step also places device 0's mouse at
// its recorded position (what mouse_x and mouse_y read).
void IO_WriteFrame(uint8_t frame[IO_FRAME_SIZE]);
void IO_ReadFrame(const uint8_t frame[IO_FRAME_SIZE]);
void IO_WriteRecordFrame();
// False once the file has no whole step left.
bool IO_ReadPlaybackFrame();

// Saved games: the input block as typed values (6: signed 32-bit, 4: signed 16-bit) through the
// saved-game buffer's typed writes and reads.
using IO_ValueWriter = std::function<void(int32_t type, double value)>;
using IO_ValueReader = std::function<bool(int32_t type, double* value)>;
void IO_SaveState(const IO_ValueWriter& write);
// False, changing nothing, when the block does not start with the marker or is damaged.
bool IO_LoadState(const IO_ValueReader& read);
// The same through a saved-game buffer.
class IBuffer;
void IO_SaveState(IBuffer* buffer);
bool IO_LoadState(IBuffer* buffer);

// Accessors for the built-in variables and the script functions. Out-of-range arguments give 0
// or false and change nothing.
uint16_t IO_GetLastChar();
void IO_SetLastChar(int32_t c);  // the low 8 bits, sign-extended
// The whole 16-bit character (keyboard_lastchar takes a string's first character, decoded).
void IO_SetLastCharUnit(uint16_t unit);
// The keyboard string as UTF-8, valid until the next call.
const char* IO_GetKeyboardString();
void IO_SetKeyboardString(const char* utf8);
int32_t IO_GetLastKey();
int32_t IO_GetCurrentKey();
void IO_SetLastKey(int32_t key);
void IO_SetCurrentKey(int32_t key);
bool IO_KeyDown(int32_t key);
bool IO_KeyPressed(int32_t key);
bool IO_KeyReleased(int32_t key);
void IO_ClearKey(int32_t key);
void IO_ClearKeyboard();
int32_t IO_GetLastButton(int32_t device);
int32_t IO_GetCurrentButton(int32_t device);
void IO_SetLastButton(int32_t button, int32_t device);
void IO_SetCurrentButton(int32_t button, int32_t device);
bool IO_ButtonDown(int32_t button, int32_t device);
bool IO_ButtonPressed(int32_t button, int32_t device);
bool IO_ButtonReleased(int32_t button, int32_t device);
bool IO_WheelUp(int32_t device);
bool IO_WheelDown(int32_t device);
void IO_ClearButton(int32_t button, int32_t device);
int32_t IO_GetKeyMap(int32_t key);
void IO_SetKeyMap(int32_t key, int32_t value);

// Units before the terminator.
int32_t UTF16_Length(const uint16_t* text);
