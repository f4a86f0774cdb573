#include "io/input.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/console.h"
#include "core/utf8.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "io/buffer.h"
#include "platform/system/files.h"
#include "runtime/runner_options.h"
#include "io/gamepad.h"
#include "io/options_file.h"
#include "io/window_services.h"
#include "platform/window/window_system.h"
#include "io/display.h"

IO_InputState g_IOInputState;
IO_MessageBuffer g_IOMessageBuffer;
PointerRecord IO_CurrentPointers[IO_POINTER_COUNT];
PointerRecord IO_PreviousPointers[IO_POINTER_COUNT];
VirtualKey* IO_VirtualKeys = nullptr;
int32_t IO_VirtualKeyCount = 0;

namespace {

IO_InputState& Live() { return g_IOInputState; }
IO_MessageBuffer& Msg() { return g_IOMessageBuffer; }

// The first IO_ProcessMessages after program start takes the message buffer from the live
// state, so values a script set before the first step are not lost.
bool g_firstProcess = true;
// The playback file has no whole step left.
bool g_playbackEnded = false;
// The keyboard string as UTF-8, handed out by IO_GetKeyboardString.
std::string g_keyboardStringUtf8;

bool KeyInRange(int32_t key) { return key >= 0 && key < IO_KEY_COUNT; }
bool ButtonInRange(int32_t button) { return button >= 1 && button <= IO_BUTTON_COUNT; }
bool DeviceInRange(int32_t device) { return device >= 0 && device < IO_DEVICE_COUNT; }

void ClearVirtualKeyTable() {
  MemoryManager_Free(IO_VirtualKeys);
  IO_VirtualKeys = nullptr;
  IO_VirtualKeyCount = 0;
}

void CloseInputFile() {
  if (Live().inputFile != nullptr) std::fclose(Live().inputFile);
  Live().inputFile = nullptr;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}


// Little-endian frame fields.
void Put16(uint8_t*& p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p += 2;
}
void Put32(uint8_t*& p, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  p += 4;
}
void PutBools(uint8_t*& p, const bool* values, int32_t count) {
  for (int32_t i = 0; i < count; ++i) *p++ = values[i] ? 1 : 0;
}
uint16_t Get16(const uint8_t*& p) {
  const uint16_t v = static_cast<uint16_t>(p[0] | (p[1] << 8));
  p += 2;
  return v;
}
int32_t Get32(const uint8_t*& p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  p += 4;
  return static_cast<int32_t>(v);
}
void GetBools(const uint8_t*& p, bool* values, int32_t count) {
  for (int32_t i = 0; i < count; ++i) values[i] = *p++ != 0;
}

int32_t ToInt32(double v) {
  if (!(v >= std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

// The GUI size the virtual keys are laid out in: display_set_gui_size's, else the display's.
}  // namespace

void IO_GuiSize(double* width, double* height) {
  *width = Display_GuiSize.width == -1 ? Display_Size.width : Display_GuiSize.width;
  *height = Display_GuiSize.height == -1 ? Display_Size.height : Display_GuiSize.height;
}

int32_t UTF16_Length(const uint16_t* text) {
  int32_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// --- Message hooks ---

void IO_MsgKeyDown(int32_t vk, bool repeat) {
  const int32_t code = IO_GetKeyMap(vk);
  if (!KeyInRange(code)) return;
  IO_MessageBuffer& m = Msg();
  if (m.currentKey != m.previousKey) m.previousKey = m.currentKey;
  m.lastKey = code;
  m.currentKey = code;
  // Auto-repeat keeps a key held without pressing it again.
  if (!m.keyHeld[code] && !repeat) m.keyPressed[code] = true;
  m.keyHeld[code] = true;
}

void IO_MsgKeyUp(int32_t vk) {
  const int32_t code = IO_GetKeyMap(vk);
  if (!KeyInRange(code)) return;
  IO_MessageBuffer& m = Msg();
  if (code == m.currentKey) {
    // The key pressed before this one, when still down, is current again.
    const bool previousHeld = KeyInRange(m.previousKey) && m.keyHeld[m.previousKey];
    m.currentKey = previousHeld && m.previousKey != code ? m.previousKey : 0;
  }
  m.keyHeld[code] = false;
  m.keyReleased[code] = true;
}

void IO_MsgChar(uint16_t unit) {
  IO_MessageBuffer& m = Msg();
  m.lastChar = unit;
  if (m.keyboardStringLength >= IO_STRING_WRAP) {
    m.keyboardString[0] = m.keyboardString[m.keyboardStringLength - 1];
    m.keyboardStringLength = 1;
  }
  if (unit == 8 && m.keyboardStringLength > 0) {
    --m.keyboardStringLength;
    m.keyboardString[m.keyboardStringLength] = 0;
    return;
  }
  if (unit < 32) {
    m.keyboardString[m.keyboardStringLength] = 0;
    return;
  }
  m.keyboardString[m.keyboardStringLength++] = unit;
  m.keyboardString[m.keyboardStringLength] = 0;
}

void IO_MsgMouseDown(int32_t button, int32_t x, int32_t y) {
  if (!ButtonInRange(button)) return;
  IO_MessageBuffer& m = Msg();
  const int32_t b = button - 1;
  if (!m.buttonHeld[b]) m.buttonPressed[b] = true;
  m.buttonHeld[b] = true;
  m.currentButton = button;
  m.lastButton = button;
  if (button == 1) {
    PointerRecord& p = IO_CurrentPointers[0];
    p.flags = static_cast<int32_t>(0x80000003u);
    p.x = x;
    p.y = y;
    p.last = 0;
  }
}

void IO_MsgMouseUp(int32_t button, int32_t x, int32_t y) {
  if (!ButtonInRange(button)) return;
  IO_MessageBuffer& m = Msg();
  const int32_t b = button - 1;
  m.currentButton = 0;
  m.buttonHeld[b] = false;
  // A press and release within one step shows as a release only.
  m.buttonPressed[b] = false;
  m.buttonReleased[b] = true;
  if (button == 1) {
    PointerRecord& p = IO_CurrentPointers[0];
    p.flags = 0;
    p.x = x;
    p.y = y;
    p.last = 0;
  }
}

void IO_MsgWheelUp() { Msg().wheelUp = true; }
void IO_MsgWheelDown() { Msg().wheelDown = true; }

// --- Per step ---

void IO_ProcessMessages() {
  IO_InputState& s = Live();
  IO_MessageBuffer& m = Msg();
  if (g_firstProcess) {
    g_firstProcess = false;
    std::memcpy(m.keyboardString, s.keyboardString, sizeof m.keyboardString);
    m.keyboardString[IO_STRING_UNITS - 1] = 0;
    m.keyboardStringLength = UTF16_Length(m.keyboardString);
    m.lastChar = s.lastChar;
    m.lastKey = s.lastKey;
    m.currentKey = s.currentKey;
    m.currentButton = s.mouseButton[0];
    m.lastButton = s.lastMouseButton[0];
    for (int32_t b = 0; b < IO_BUTTON_COUNT; ++b) {
      m.buttonHeld[b] = s.buttonHeld[0][b];
      m.buttonPressed[b] = s.buttonPressed[0][b];
      m.buttonReleased[b] = s.buttonReleased[0][b];
    }
    m.wheelUp = s.wheelUp[0];
    m.wheelDown = s.wheelDown[0];
    std::memcpy(m.keyHeld, s.keyHeld, sizeof m.keyHeld);
    std::memcpy(m.keyPressed, s.keyPressed, sizeof m.keyPressed);
    std::memcpy(m.keyReleased, s.keyReleased, sizeof m.keyReleased);
  }

  WindowPoint cursor;
  if (WindowSystem_Get().GetCursorPos(&cursor)) {
    s.cursorX = cursor.x;
    s.cursorY = cursor.y;
  }

  s.deviceMouseX[0] = m.mouseX;
  s.deviceMouseY[0] = m.mouseY;
  s.mouseX = m.mouseX;
  s.mouseY = m.mouseY;
  IO_CurrentPointers[0].x = m.mouseX;
  IO_CurrentPointers[0].y = m.mouseY;
  IO_CurrentPointers[0].last = 0;

  s.lastChar = m.lastChar;
  std::memcpy(s.keyboardString, m.keyboardString, sizeof s.keyboardString);
  s.currentKey = m.currentKey;
  s.lastKey = m.lastKey;
  std::memcpy(s.keyHeld, m.keyHeld, sizeof s.keyHeld);
  for (int32_t k = 0; k < IO_KEY_COUNT; ++k) {
    if (m.keyPressed[k]) s.keyPressed[k] = true;
    if (m.keyReleased[k]) s.keyReleased[k] = true;
  }

  s.mouseButton[0] = m.currentButton;
  s.lastMouseButton[0] = m.lastButton;
  for (int32_t b = 0; b < IO_BUTTON_COUNT; ++b) {
    s.buttonHeld[0][b] = m.buttonHeld[b];
    if (m.buttonPressed[b]) s.buttonPressed[0][b] = true;
    if (m.buttonReleased[b]) s.buttonReleased[0][b] = true;
  }
  s.wheelUp[0] = m.wheelUp;
  s.wheelDown[0] = m.wheelDown;

  std::memset(m.keyPressed, 0, sizeof m.keyPressed);
  std::memset(m.keyReleased, 0, sizeof m.keyReleased);
  m.wheelUp = false;
  m.wheelDown = false;
  std::memset(m.buttonPressed, 0, sizeof m.buttonPressed);
  std::memset(m.buttonReleased, 0, sizeof m.buttonReleased);
}

void IO_Update() {
  IO_InputState& s = Live();
  std::memset(s.keyReleased, 0, sizeof s.keyReleased);
  std::memset(s.keyPressed, 0, sizeof s.keyPressed);
  std::memset(s.wheelUp, 0, sizeof s.wheelUp);
  std::memset(s.wheelDown, 0, sizeof s.wheelDown);
  std::memset(s.buttonPressed, 0, sizeof s.buttonPressed);
  std::memset(s.buttonReleased, 0, sizeof s.buttonReleased);

  if (s.playback) {
    // The devices' messages still fill the buffer; they never reach the live state.
    IO_ReadPlaybackFrame();
  } else {
    IO_ProcessMessages();
    XInput_Poll();
    IO_UpdateVirtualKeys();
  }

  if (s.record && s.inputFile != nullptr) {
    IO_WriteRecordFrame();
    std::fflush(s.inputFile);
  }
}

void IO_Init() {
  IO_InputState& s = Live();
  for (PointerRecord& p : IO_PreviousPointers) p = PointerRecord();
  IO_Clear();
  for (int32_t k = 0; k < IO_KEY_COUNT; ++k) s.keyMap[k] = k;

  s.record = g_RunnerOptions.record;
  s.playback = g_RunnerOptions.playback;
  s.inputFileName = g_RunnerOptions.inputFileName;
  g_playbackEnded = false;
  if ((s.record || s.playback) && !s.inputFileName.empty()) {
    if (s.playback) s.record = false;
    CloseInputFile();
    // A recording is read only from a regular file: a FIFO would stall the start-up.
    s.inputFile = s.playback ? System_OpenRegularStream(s.inputFileName.c_str(), "rb")
                             : System_OpenStream(s.inputFileName.c_str(), "w+b");
    if (s.inputFile != nullptr) {
      std::setvbuf(s.inputFile, nullptr, _IONBF, 0);
    } else {
      Console_DebugOutput("Unable to open the %s file %s\n", s.playback ? "-playback" : "-record",
                          s.inputFileName.c_str());
    }
  }

  ClearVirtualKeyTable();
  IO_VirtualKeys = static_cast<VirtualKey*>(MEM_ALLOC(sizeof(VirtualKey) * IO_VIRTUAL_KEY_COUNT));
  IO_VirtualKeyCount = IO_VIRTUAL_KEY_COUNT;
  for (int32_t i = 0; i < IO_VIRTUAL_KEY_COUNT; ++i) {
    IO_VirtualKeys[i] = VirtualKey();
    IO_VirtualKeys[i].index = static_cast<int16_t>(i);
  }
  // The buttons "options.ini" described take records now that the table exists: in use, not
  // drawn; a full table skips the rest.
  IO_PlaceVirtualButtons(
      [](const OptionsFileButton& button, void*) {
        VirtualKey* key = IO_FindFreeVirtualKey();
        if (key == nullptr) return false;
        key->left = button.left;
        key->top = button.top;
        key->right = button.right;
        key->bottom = button.bottom;
        key->width = button.width;
        key->height = button.height;
        key->u = button.u;
        key->v = button.v;
        key->key = button.key;
        key->button = button.button;
        key->flags = kVirtualKeyInUse;
        return true;
      },
      nullptr);
}

void IO_Clear() {
  IO_InputState& s = Live();
  IO_MessageBuffer& m = Msg();
  s.keyboardString[0] = 0;
  std::memcpy(m.keyboardString, s.keyboardString, sizeof m.keyboardString);
  m.keyboardStringLength = 0;
  IO_ClearKeyboard();
  s.mouseButton[0] = 0;
  s.lastMouseButton[0] = 0;
  m.currentButton = 0;
  m.lastButton = 0;
  s.wheelUp[0] = s.wheelDown[0] = false;
  m.wheelUp = m.wheelDown = false;
  for (int32_t b = 0; b < IO_BUTTON_COUNT; ++b) {
    s.buttonHeld[0][b] = s.buttonPressed[0][b] = s.buttonReleased[0][b] = false;
    m.buttonHeld[b] = m.buttonPressed[b] = m.buttonReleased[b] = false;
  }
}

void IO_Shutdown() {
  Gamepad_Shutdown();
  CloseInputFile();
  ClearVirtualKeyTable();
}

void IO_Reset() {
  IO_Shutdown();
  g_IOInputState = IO_InputState();
  g_IOMessageBuffer = IO_MessageBuffer();
  IO_ResetPointerTable();
  for (PointerRecord& p : IO_PreviousPointers) p = PointerRecord();
  g_firstProcess = true;
  g_playbackEnded = false;
}

void IO_ResetPointerTable() {
  for (PointerRecord& p : IO_CurrentPointers) p = PointerRecord();
}

void IO_CopyPointerTable() { std::memcpy(IO_PreviousPointers, IO_CurrentPointers, sizeof IO_PreviousPointers); }

// --- Virtual keys ---

void IO_UpdateVirtualKeys() {
  if (IO_VirtualKeys == nullptr) return;
  IO_InputState& s = Live();

  // Pointers are in window coordinates; the keys are laid out in GUI coordinates over the game
  // image, as the overlay draws them. The hit test maps back the same way.
  double guiWidth = 0;
  double guiHeight = 0;
  IO_GuiSize(&guiWidth, &guiHeight);
  int32_t ox = 0;
  int32_t oy = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  Window_GetAppSurfaceRect(&ox, &oy, &right, &bottom);
  const double imageWidth = Display_Size.width - 2.0 * ox;
  const double imageHeight = Display_Size.height - 2.0 * oy;
  const double m11 = imageWidth > 0 && guiWidth > 0 ? guiWidth / imageWidth : 1.0;
  const double m22 = imageHeight > 0 && guiHeight > 0 ? guiHeight / imageHeight : 1.0;
  const double m41 = -ox * m11;
  const double m42 = -oy * m22;

  // Only the first 32 records fit the hit mask.
  const int32_t maskable = IO_VirtualKeyCount < 32 ? IO_VirtualKeyCount : 32;
  uint32_t hit = 0;
  for (PointerRecord& p : IO_PreviousPointers) {
    if ((static_cast<uint32_t>(p.flags) & 0x80000000u) == 0) continue;
    const int32_t tx = static_cast<int32_t>(std::trunc(p.x * m11 + m41));
    const int32_t ty = static_cast<int32_t>(std::trunc(p.y * m22 + m42));
    for (int32_t i = 0; i < maskable; ++i) {
      const VirtualKey& k = IO_VirtualKeys[i];
      if ((k.flags & kVirtualKeyInUse) == 0) continue;
      if (k.left <= tx && tx < k.right && k.top <= ty && ty < k.bottom) hit |= 1u << i;
    }
    p.flags = 0;
  }

  const uint32_t changed = s.virtualKeyHitMask ^ hit;
  for (int32_t i = 0; i < maskable; ++i) {
    const VirtualKey& k = IO_VirtualKeys[i];
    if ((k.flags & kVirtualKeyInUse) == 0) continue;
    const bool h = (hit >> i) & 1u;
    const bool c = (changed >> i) & 1u;
    if (k.key != 0) {
      if (!KeyInRange(k.key)) continue;
      s.keyPressed[k.key] |= h && c;
      s.keyHeld[k.key] |= h && !c;
      s.keyReleased[k.key] |= !h && c;
    } else if (ButtonInRange(k.button)) {
      const int32_t b = k.button - 1;
      s.buttonPressed[0][b] |= h && c;
      s.buttonHeld[0][b] |= h && !c;
      s.buttonReleased[0][b] |= !h && c;
    }
  }
  s.virtualKeyHitMask = hit;
}

VirtualKey* IO_FindFreeVirtualKey() {
  for (int32_t i = 0; IO_VirtualKeys != nullptr && i < IO_VirtualKeyCount; ++i) {
    if (IO_VirtualKeys[i].flags == 0) return &IO_VirtualKeys[i];
  }
  return nullptr;
}

void IO_DeleteVirtualKey(int32_t index) {
  if (IO_VirtualKeys != nullptr && index >= 0 && index < IO_VirtualKeyCount) IO_VirtualKeys[index].flags = 0;
}

void IO_ClearVirtualKeys() {
  for (int32_t i = 0; IO_VirtualKeys != nullptr && i < IO_VirtualKeyCount; ++i) IO_VirtualKeys[i].flags = 0;
}

// --- Recording and playback ---

void IO_WriteFrame(uint8_t frame[IO_FRAME_SIZE]) {
  const IO_InputState& s = Live();
  uint8_t* p = frame;
  Put16(p, s.lastChar);
  for (uint16_t unit : s.keyboardString) Put16(p, unit);
  Put32(p, s.lastKey);
  Put32(p, s.currentKey);
  PutBools(p, s.keyHeld, IO_KEY_COUNT);
  PutBools(p, s.keyReleased, IO_KEY_COUNT);
  PutBools(p, s.keyPressed, IO_KEY_COUNT);
  for (int32_t v : s.lastMouseButton) Put32(p, v);
  for (int32_t v : s.mouseButton) Put32(p, v);
  PutBools(p, &s.buttonHeld[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  PutBools(p, &s.buttonReleased[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  PutBools(p, &s.buttonPressed[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  PutBools(p, s.wheelUp, IO_DEVICE_COUNT);
  PutBools(p, s.wheelDown, IO_DEVICE_COUNT);
  Put32(p, s.cursorX);
  Put32(p, s.cursorY);
  Put32(p, s.mouseX);
  Put32(p, s.mouseY);
}

void IO_ReadFrame(const uint8_t frame[IO_FRAME_SIZE]) {
  IO_InputState& s = Live();
  const uint8_t* p = frame;
  s.lastChar = Get16(p);
  for (uint16_t& unit : s.keyboardString) unit = Get16(p);
  // A recorded string always ends inside its buffer.
  s.keyboardString[IO_STRING_UNITS - 1] = 0;
  s.lastKey = Get32(p);
  s.currentKey = Get32(p);
  GetBools(p, s.keyHeld, IO_KEY_COUNT);
  GetBools(p, s.keyReleased, IO_KEY_COUNT);
  GetBools(p, s.keyPressed, IO_KEY_COUNT);
  for (int32_t& v : s.lastMouseButton) v = Get32(p);
  for (int32_t& v : s.mouseButton) v = Get32(p);
  GetBools(p, &s.buttonHeld[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  GetBools(p, &s.buttonReleased[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  GetBools(p, &s.buttonPressed[0][0], IO_DEVICE_COUNT * IO_BUTTON_COUNT);
  GetBools(p, s.wheelUp, IO_DEVICE_COUNT);
  GetBools(p, s.wheelDown, IO_DEVICE_COUNT);
  s.cursorX = Get32(p);
  s.cursorY = Get32(p);
  s.mouseX = Get32(p);
  s.mouseY = Get32(p);
  // The recorded pointer is where the game reads the mouse: a recorded click lands where it was
  // made, not wherever the pointer happens to be while the recording plays.
  s.deviceMouseX[0] = s.mouseX;
  s.deviceMouseY[0] = s.mouseY;
}

void IO_WriteRecordFrame() {
  if (Live().inputFile == nullptr) return;
  uint8_t frame[IO_FRAME_SIZE];
  IO_WriteFrame(frame);
  std::fwrite(frame, 1, IO_FRAME_SIZE, Live().inputFile);
}

bool IO_ReadPlaybackFrame() {
  if (Live().inputFile == nullptr || g_playbackEnded) return false;
  uint8_t frame[IO_FRAME_SIZE];
  if (std::fread(frame, 1, IO_FRAME_SIZE, Live().inputFile) != IO_FRAME_SIZE) {
    // A partial last step is not applied: it would mix recorded and stale state.
    g_playbackEnded = true;
    return false;
  }
  IO_ReadFrame(frame);
  return true;
}

// --- Saved games ---

void IO_SaveState(const IO_ValueWriter& write) {
  write(6, IO_SAVE_MARKER);
  write(6, IO_VirtualKeys != nullptr ? IO_VirtualKeyCount : 0);
  for (int32_t i = 0; IO_VirtualKeys != nullptr && i < IO_VirtualKeyCount; ++i) {
    const VirtualKey& k = IO_VirtualKeys[i];
    write(4, static_cast<int16_t>(k.flags));
    write(4, k.index);
    for (int32_t v : {k.left, k.top, k.right, k.bottom, k.width, k.height, k.u, k.v, k.key, k.button}) write(6, v);
  }
}

bool IO_LoadState(const IO_ValueReader& read) {
  double value = 0;
  if (!read(6, &value) || ToInt32(value) != IO_SAVE_MARKER) return false;
  if (!read(6, &value)) return false;
  const int32_t count = ToInt32(value);
  // The count comes from a file: it may not reach past the table.
  if (count < 0 || count > IO_VIRTUAL_KEY_COUNT) return false;
  VirtualKey loaded[IO_VIRTUAL_KEY_COUNT];
  for (int32_t i = 0; i < count; ++i) {
    VirtualKey& k = loaded[i];
    double flags = 0;
    double index = 0;
    if (!read(4, &flags) || !read(4, &index)) return false;
    k.flags = static_cast<uint16_t>(static_cast<int16_t>(ToInt32(flags)));
    k.index = static_cast<int16_t>(ToInt32(index));
    for (int32_t* field : {&k.left, &k.top, &k.right, &k.bottom, &k.width, &k.height, &k.u, &k.v, &k.key, &k.button}) {
      if (!read(6, &value)) return false;
      *field = ToInt32(value);
    }
  }
  if (IO_VirtualKeys == nullptr) {
    IO_VirtualKeys = static_cast<VirtualKey*>(MEM_ALLOC(sizeof(VirtualKey) * IO_VIRTUAL_KEY_COUNT));
  }
  std::memcpy(IO_VirtualKeys, loaded, sizeof(VirtualKey) * static_cast<size_t>(count));
  IO_VirtualKeyCount = count;
  return true;
}

void IO_SaveState(IBuffer* buffer) {
  IO_SaveState([buffer](int32_t type, double value) {
    RValue_Release(&buffer->m_scratch);
    buffer->m_scratch.val = value;
    buffer->m_scratch.flags = 0;
    buffer->m_scratch.kind = VALUE_REAL;
    buffer->Write(type, &buffer->m_scratch);
  });
}

bool IO_LoadState(IBuffer* buffer) {
  return IO_LoadState([buffer](int32_t type, double* value) {
    if (buffer->Read(type, &buffer->m_scratch) != 0) return false;
    *value = buffer->m_scratch.val;
    return true;
  });
}

// --- Accessors ---

uint16_t IO_GetLastChar() { return Live().lastChar; }

void IO_SetLastChar(int32_t c) { IO_SetLastCharUnit(static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(c & 0xFF)))); }

void IO_SetLastCharUnit(uint16_t unit) {
  Live().lastChar = unit;
  Msg().lastChar = unit;
}

const char* IO_GetKeyboardString() {
  const uint16_t* text = Live().keyboardString;
  g_keyboardStringUtf8.clear();
  for (int32_t i = 0; i < IO_STRING_UNITS && text[i] != 0; ++i) {
    const uint32_t unit = text[i];
    // A surrogate pair is one character; a lone surrogate is kept as typed.
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < IO_STRING_UNITS && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      AppendUtf8(g_keyboardStringUtf8, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
      ++i;
    } else {
      AppendUtf8(g_keyboardStringUtf8, unit);
    }
  }
  return g_keyboardStringUtf8.c_str();
}

void IO_SetKeyboardString(const char* utf8) {
  IO_InputState& s = Live();
  IO_MessageBuffer& m = Msg();
  int32_t length = 0;
  if (utf8 != nullptr) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    constexpr int32_t kMaxUnits = IO_STRING_UNITS - 1;
    while (*p != 0 && length < kMaxUnits) {
      const uint32_t cp = UTF8_DecodeScalar(p);
      if (cp >= 0x10000) {
        if (length + 2 > kMaxUnits) break;
        s.keyboardString[length++] = static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10));
        s.keyboardString[length++] = static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        s.keyboardString[length++] = static_cast<uint16_t>(cp);
      }
    }
  }
  s.keyboardString[length] = 0;
  m.keyboardStringLength = length;
  std::memcpy(m.keyboardString, s.keyboardString, sizeof m.keyboardString);
}

int32_t IO_GetLastKey() { return Live().lastKey; }
int32_t IO_GetCurrentKey() { return Live().currentKey; }

void IO_SetLastKey(int32_t key) {
  Live().lastKey = key;
  Msg().lastKey = key;
  Msg().currentKey = 0;
}

void IO_SetCurrentKey(int32_t key) {
  if (KeyInRange(key)) Live().currentKey = key;
}

bool IO_KeyDown(int32_t key) { return KeyInRange(key) && Live().keyHeld[key]; }
bool IO_KeyPressed(int32_t key) { return KeyInRange(key) && Live().keyPressed[key]; }
bool IO_KeyReleased(int32_t key) { return KeyInRange(key) && Live().keyReleased[key]; }

void IO_ClearKey(int32_t key) {
  if (!KeyInRange(key)) return;
  Live().keyHeld[key] = Live().keyPressed[key] = Live().keyReleased[key] = false;
  Msg().keyHeld[key] = Msg().keyPressed[key] = Msg().keyReleased[key] = false;
}

void IO_ClearKeyboard() {
  IO_InputState& s = Live();
  IO_MessageBuffer& m = Msg();
  s.lastKey = s.currentKey = 0;
  s.lastChar = 0;
  m.lastKey = m.currentKey = 0;
  m.lastChar = 0;
  std::memset(s.keyHeld, 0, sizeof s.keyHeld);
  std::memset(s.keyPressed, 0, sizeof s.keyPressed);
  std::memset(s.keyReleased, 0, sizeof s.keyReleased);
  std::memset(m.keyHeld, 0, sizeof m.keyHeld);
  std::memset(m.keyPressed, 0, sizeof m.keyPressed);
  std::memset(m.keyReleased, 0, sizeof m.keyReleased);
}

int32_t IO_GetLastButton(int32_t device) { return DeviceInRange(device) ? Live().lastMouseButton[device] : 0; }
int32_t IO_GetCurrentButton(int32_t device) { return DeviceInRange(device) ? Live().mouseButton[device] : 0; }

void IO_SetLastButton(int32_t button, int32_t device) {
  if (ButtonInRange(button) && DeviceInRange(device)) Live().lastMouseButton[device] = button;
}

void IO_SetCurrentButton(int32_t button, int32_t device) {
  if (ButtonInRange(button) && DeviceInRange(device)) Live().mouseButton[device] = button;
}

bool IO_ButtonDown(int32_t button, int32_t device) {
  return ButtonInRange(button) && DeviceInRange(device) && Live().buttonHeld[device][button - 1];
}
bool IO_ButtonPressed(int32_t button, int32_t device) {
  return ButtonInRange(button) && DeviceInRange(device) && Live().buttonPressed[device][button - 1];
}
bool IO_ButtonReleased(int32_t button, int32_t device) {
  return ButtonInRange(button) && DeviceInRange(device) && Live().buttonReleased[device][button - 1];
}
bool IO_WheelUp(int32_t device) { return DeviceInRange(device) && Live().wheelUp[device]; }
bool IO_WheelDown(int32_t device) { return DeviceInRange(device) && Live().wheelDown[device]; }

void IO_ClearButton(int32_t button, int32_t device) {
  if (!ButtonInRange(button) || !DeviceInRange(device)) return;
  const int32_t b = button - 1;
  IO_InputState& s = Live();
  s.buttonHeld[device][b] = s.buttonPressed[device][b] = s.buttonReleased[device][b] = false;
  if (device == 0) {
    IO_MessageBuffer& m = Msg();
    m.buttonHeld[b] = m.buttonPressed[b] = m.buttonReleased[b] = false;
  }
}

int32_t IO_GetKeyMap(int32_t key) { return static_cast<uint32_t>(key) < IO_KEY_COUNT ? Live().keyMap[key] : key; }

void IO_SetKeyMap(int32_t key, int32_t value) {
  if (static_cast<uint32_t>(key) < IO_KEY_COUNT) Live().keyMap[key] = value;
}
