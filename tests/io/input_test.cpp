// Keyboard and mouse state: the per-step life of the flags, the keyboard string, the script
// accessors, the virtual keys, the recorded frame and the saved-game block.
#include "io/input.h"
#include "render/virtual_keys_draw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "io/buffer.h"
#include "host/command_line.h"
#include "io/options_file.h"
#include "host/fake_window_system.h"
#include "io/display.h"
#include "render/overlay_draw.h"

namespace {

using host_test::FakeWindowSystem;

class InputTest : public testing::Test {
 protected:
  void SetUp() override {
    IO_Reset();
    g_RunnerOptions.record = false;
    g_RunnerOptions.playback = false;
    g_RunnerOptions.inputFileName.clear();
    IO_Init();
    // The first step takes the message buffer from the live state; messages come after it.
    IO_Update();
  }
  void TearDown() override {
    IO_Reset();
    Display_Size = DisplayExtent();
    Display_GuiSize = DisplayExtent{-1, -1};
    Display_AppSurfaceSize = DisplayExtent();
    Display_KeepAspect = false;
  }

  // One frame of the main loop as far as input goes.
  static void Step() {
    IO_CopyPointerTable();
    IO_Update();
  }

  static void Type(const std::u16string& text) {
    for (char16_t c : text) IO_MsgChar(static_cast<uint16_t>(c));
  }

  FakeWindowSystem sys;
};

TEST_F(InputTest, PressedAndReleasedLastOneStepHeldLastsUntilRelease) {
  IO_MsgKeyDown('A', false);
  Step();
  EXPECT_TRUE(IO_KeyPressed('A'));
  EXPECT_TRUE(IO_KeyDown('A'));
  Step();
  EXPECT_FALSE(IO_KeyPressed('A'));
  EXPECT_TRUE(IO_KeyDown('A'));
  IO_MsgKeyUp('A');
  Step();
  EXPECT_TRUE(IO_KeyReleased('A'));
  EXPECT_FALSE(IO_KeyDown('A'));
  Step();
  EXPECT_FALSE(IO_KeyReleased('A'));
}

TEST_F(InputTest, AutoRepeatNeverPressesAgain) {
  IO_MsgKeyDown('W', false);
  Step();
  // Repeats, and a down message of a key the messages already hold, press nothing.
  IO_MsgKeyDown('W', true);
  IO_MsgKeyDown('W', false);
  Step();
  EXPECT_FALSE(IO_KeyPressed('W'));
  EXPECT_TRUE(IO_KeyDown('W'));
}

TEST_F(InputTest, PressAndReleaseWithinOneStep) {
  // A key shows both; a mouse button only the release.
  IO_MsgKeyDown('K', false);
  IO_MsgKeyUp('K');
  IO_MsgMouseDown(2, 0, 0);
  IO_MsgMouseUp(2, 0, 0);
  Step();
  EXPECT_TRUE(IO_KeyPressed('K'));
  EXPECT_TRUE(IO_KeyReleased('K'));
  EXPECT_FALSE(IO_ButtonPressed(2, 0));
  EXPECT_TRUE(IO_ButtonReleased(2, 0));
  EXPECT_EQ(IO_GetLastButton(0), 2);
  EXPECT_EQ(IO_GetCurrentButton(0), 0);
}

TEST_F(InputTest, ReleasingTheCurrentKeyFallsBackToTheOneStillHeld) {
  const struct {
    const char* name;
    std::vector<std::pair<int32_t, bool>> events;  // key, down
    int32_t current;
  } cases[] = {
      {"previous still held", {{'A', true}, {'B', true}, {'B', false}}, 'A'},
      {"previous released first", {{'A', true}, {'B', true}, {'A', false}, {'B', false}}, 0},
      {"other key released", {{'A', true}, {'B', true}, {'A', false}}, 'B'},
      {"repeat made the current key its own previous", {{'A', true}, {'B', true}, {'B', true}, {'B', false}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IO_ClearKeyboard();
    for (const auto& [key, down] : c.events) {
      if (down) {
        IO_MsgKeyDown(key, false);
      } else {
        IO_MsgKeyUp(key);
      }
    }
    Step();
    EXPECT_EQ(IO_GetCurrentKey(), c.current);
    EXPECT_EQ(IO_GetLastKey(), 'B');
  }
}

TEST_F(InputTest, KeyboardStringRestartsAfter1023Units) {
  std::u16string typed;
  for (int i = 0; i < IO_STRING_WRAP; ++i) typed.push_back(static_cast<char16_t>('a' + i % 26));
  Type(typed);
  Step();
  EXPECT_EQ(std::strlen(IO_GetKeyboardString()), 1023u);
  Type(u"Z");
  Step();
  // The 1023rd unit followed by the new one.
  const std::string expected = {static_cast<char>('a' + (IO_STRING_WRAP - 1) % 26), 'Z'};
  EXPECT_EQ(IO_GetKeyboardString(), expected);
  EXPECT_EQ(IO_GetLastChar(), 'Z');
}

TEST_F(InputTest, BackspaceAndControlCharacters) {
  const struct {
    const char* name;
    std::u16string typed;
    std::string result;
    uint16_t lastChar;
  } cases[] = {
      {"backspace removes the last unit", u"abc\b", "ab", 8},
      {"backspace on an empty string", u"\b\b", "", 8},
      {"control characters are not added", u"a\t\r\x1b" u"b", "ab", 'b'},
      {"return is remembered as the last character", u"xy\r", "xy", 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IO_SetKeyboardString("");
    Type(c.typed);
    Step();
    EXPECT_EQ(IO_GetKeyboardString(), c.result);
    EXPECT_EQ(IO_GetLastChar(), c.lastChar);
  }
}

TEST_F(InputTest, KeyboardStringTextRoundTripsAsUtf8) {
  const struct {
    const char* name;
    std::string set;
    std::string get;
  } cases[] = {
      {"ASCII", "hello", "hello"},
      {"two- and three-byte characters", "h\xC3\xA9llo \xE2\x82\xAC", "h\xC3\xA9llo \xE2\x82\xAC"},
      {"a character beyond 16 bits is one character", "a\xF0\x9F\x98\x80" "b", "a\xF0\x9F\x98\x80" "b"},
      {"malformed bytes", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IO_SetKeyboardString(c.set.c_str());
    EXPECT_EQ(IO_GetKeyboardString(), c.get);
    // The message side carries it on: typing appends to it.
    Type(u"!");
    Step();
    EXPECT_EQ(IO_GetKeyboardString(), c.get + "!");
  }
  IO_SetKeyboardString(nullptr);
  EXPECT_STREQ(IO_GetKeyboardString(), "");
}

TEST_F(InputTest, KeyboardStringSetByAScriptKeeps1024Units) {
  IO_SetKeyboardString(std::string(2000, 'q').c_str());
  EXPECT_EQ(std::strlen(IO_GetKeyboardString()), 1024u);
  // A pair that would not fit whole is left out.
  IO_SetKeyboardString((std::string(1023, 'q') + "\xF0\x9F\x98\x80").c_str());
  EXPECT_EQ(std::string(IO_GetKeyboardString()), std::string(1023, 'q'));
}

TEST_F(InputTest, ValuesScriptsSetLastUntilTheNextStep) {
  IO_MsgKeyDown('D', false);
  Step();
  IO_SetCurrentKey(40);
  EXPECT_EQ(IO_GetCurrentKey(), 40);
  Step();
  EXPECT_EQ(IO_GetCurrentKey(), 'D');
  IO_SetCurrentKey(300);
  EXPECT_EQ(IO_GetCurrentKey(), 'D');

  // Setting the last key also drops the current key the messages hold.
  IO_SetLastKey(7);
  EXPECT_EQ(IO_GetLastKey(), 7);
  Step();
  EXPECT_EQ(IO_GetLastKey(), 7);
  EXPECT_EQ(IO_GetCurrentKey(), 0);
}

TEST_F(InputTest, LastCharacterSetByAScriptIsItsSignExtendedLowByte) {
  const struct {
    int32_t value;
    uint16_t stored;
  } cases[] = {{'a', 'a'}, {0xE9, 0xFFE9}, {0x141, 0x41}, {-1, 0xFFFF}};
  for (const auto& c : cases) {
    IO_SetLastChar(c.value);
    EXPECT_EQ(IO_GetLastChar(), c.stored);
    Step();
    EXPECT_EQ(IO_GetLastChar(), c.stored);
  }
}

TEST_F(InputTest, ClearTouchesDeviceZeroOnlyAndAHeldButtonNeedsANewDown) {
  IO_MsgMouseDown(1, 5, 5);
  Step();
  g_IOInputState.buttonHeld[3][0] = true;
  g_IOInputState.mouseButton[3] = 1;
  IO_Clear();
  EXPECT_FALSE(IO_ButtonDown(1, 0));
  EXPECT_TRUE(IO_ButtonDown(1, 3));
  EXPECT_EQ(IO_GetCurrentButton(3), 1);
  Step();
  EXPECT_FALSE(IO_ButtonDown(1, 0));
  EXPECT_FALSE(IO_ButtonPressed(1, 0));
  IO_MsgMouseDown(1, 5, 5);
  Step();
  EXPECT_TRUE(IO_ButtonPressed(1, 0));
}

TEST_F(InputTest, ClearKeyAndClearButtonReachTheMessageSide) {
  IO_MsgKeyDown('C', false);
  IO_MsgMouseDown(3, 0, 0);
  Step();
  IO_ClearKey('C');
  IO_ClearButton(3, 0);
  EXPECT_FALSE(IO_KeyDown('C'));
  EXPECT_FALSE(IO_ButtonDown(3, 0));
  Step();
  EXPECT_FALSE(IO_KeyDown('C'));
  EXPECT_FALSE(IO_ButtonDown(3, 0));
}

TEST_F(InputTest, KeyMapRedirectsKeys) {
  IO_SetKeyMap('A', 'B');
  IO_SetKeyMap('X', 300);  // not a key: the key is then ignored
  IO_SetKeyMap(256, 1);    // not a key: nothing changes
  IO_MsgKeyDown('A', false);
  IO_MsgKeyDown('X', false);
  Step();
  EXPECT_TRUE(IO_KeyDown('B'));
  EXPECT_FALSE(IO_KeyDown('A'));
  EXPECT_FALSE(IO_KeyDown('X'));
  EXPECT_EQ(IO_GetKeyMap('A'), 'B');
  EXPECT_EQ(IO_GetKeyMap(-1), -1);
  EXPECT_EQ(IO_GetKeyMap(256), 256);
}

TEST_F(InputTest, OutOfRangeArgumentsReadZeroAndChangeNothing) {
  IO_MsgMouseDown(1, 0, 0);
  IO_MsgKeyDown(255, false);
  Step();
  EXPECT_TRUE(IO_KeyDown(255));
  for (int32_t key : {-1, 256, 1 << 20}) {
    EXPECT_FALSE(IO_KeyDown(key));
    EXPECT_FALSE(IO_KeyPressed(key));
    IO_ClearKey(key);
  }
  const std::pair<int32_t, int32_t> badButtons[] = {{0, 0}, {4, 0}, {1, -1}, {1, 10}};
  for (const auto& [button, device] : badButtons) {
    EXPECT_FALSE(IO_ButtonDown(button, device));
    IO_SetLastButton(button, device);
    IO_SetCurrentButton(button, device);
    IO_ClearButton(button, device);
  }
  EXPECT_EQ(IO_GetLastButton(10), 0);
  EXPECT_FALSE(IO_WheelUp(10));
  EXPECT_TRUE(IO_ButtonDown(1, 0));
  EXPECT_EQ(IO_GetLastButton(0), 1);
}

TEST_F(InputTest, MousePositionAndCursorComeFromTheMessagesAndTheSystem) {
  g_IOMessageBuffer.mouseX = -7;
  g_IOMessageBuffer.mouseY = 33;
  sys.cursor = WindowPoint{1500, 900};
  Step();
  EXPECT_EQ(g_IOInputState.deviceMouseX[0], -7);
  EXPECT_EQ(g_IOInputState.deviceMouseY[0], 33);
  EXPECT_EQ(g_IOInputState.mouseX, -7);
  EXPECT_EQ(g_IOInputState.cursorX, 1500);
  EXPECT_EQ(g_IOInputState.cursorY, 900);
}

TEST_F(InputTest, WheelLastsOneStep) {
  IO_MsgWheelDown();
  Step();
  EXPECT_TRUE(IO_WheelDown(0));
  EXPECT_FALSE(IO_WheelUp(0));
  Step();
  EXPECT_FALSE(IO_WheelDown(0));
}

// --- Virtual keys ---

class VirtualKeyTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    Display_Size = DisplayExtent{400, 300};
  }
  static VirtualKey* Add(int32_t left, int32_t top, int32_t width, int32_t height, int32_t key, int32_t button = 0) {
    VirtualKey* k = IO_FindFreeVirtualKey();
    k->left = left;
    k->top = top;
    k->right = left + width;
    k->bottom = top + height;
    k->width = width;
    k->height = height;
    k->key = key;
    k->button = button;
    k->flags = kVirtualKeyInUse;
    return k;
  }
};

TEST_F(VirtualKeyTest, APointerOnAKeyPressesThenHoldsThenReleases) {
  Add(0, 0, 100, 50, 'V');
  Add(200, 0, 100, 50, 0, 2);
  IO_MsgMouseDown(1, 10, 10);
  Step();
  EXPECT_TRUE(IO_KeyPressed('V'));
  EXPECT_FALSE(IO_KeyDown('V'));
  Step();
  EXPECT_FALSE(IO_KeyPressed('V'));
  EXPECT_TRUE(IO_KeyDown('V'));
  IO_MsgMouseUp(1, 10, 10);
  Step();
  EXPECT_TRUE(IO_KeyReleased('V'));
  EXPECT_FALSE(IO_KeyDown('V'));

  // A key that delivers a mouse button.
  IO_MsgMouseDown(1, 250, 20);
  Step();
  EXPECT_TRUE(IO_ButtonPressed(2, 0));
  EXPECT_FALSE(IO_KeyDown('V'));
}

TEST_F(VirtualKeyTest, KeysAreLaidOutInGuiCoordinatesOverTheGameImage) {
  // A 400 x 300 display showing a 2:1 image letterboxed (50 pixels above and below), with the
  // GUI laid out as 200 x 100.
  Display_KeepAspect = true;
  Display_AppSurfaceSize = DisplayExtent{400, 200};
  Display_GuiSize = DisplayExtent{200, 100};
  VirtualKey* key = Add(100, 50, 100, 50, 'G');
  key->flags |= kVirtualKeyVisible;

  IO_MsgMouseDown(1, 210, 160);  // GUI (105, 55)
  Step();
  EXPECT_TRUE(IO_KeyPressed('G'));
  IO_MsgMouseUp(1, 0, 0);
  Step();
  IO_MsgMouseDown(1, 190, 160);  // GUI (95, 55): left of the key
  Step();
  EXPECT_FALSE(IO_KeyPressed('G'));

  IO_DrawVirtualKeys();
  int32_t size = 0;
  const uint8_t* bytes = GR_PendingVertexBytes(&size);
  ASSERT_EQ(size, 6 * 24);
  float first[3];
  std::memcpy(first, bytes, sizeof first);
  EXPECT_FLOAT_EQ(first[0], 200.0f);
  EXPECT_FLOAT_EQ(first[1], 150.0f);
  EXPECT_FLOAT_EQ(first[2], 0.5f);
  float third[2];
  std::memcpy(third, bytes + 2 * 24, sizeof third);
  EXPECT_FLOAT_EQ(third[0], 400.0f);
  EXPECT_FLOAT_EQ(third[1], 250.0f);
}

TEST_F(VirtualKeyTest, OnlyTheFirst32RecordsCanBeHit) {
  for (int32_t i = 0; i < 40; ++i) Add(0, 0, 400, 300, i < 32 ? 0 : 'Z', i < 32 ? 0 : 0);
  IO_MsgMouseDown(1, 10, 10);
  Step();
  Step();
  EXPECT_FALSE(IO_KeyDown('Z'));
  EXPECT_FALSE(IO_KeyPressed('Z'));
  EXPECT_EQ(g_IOInputState.virtualKeyHitMask, 0xFFFFFFFFu);
}

TEST_F(VirtualKeyTest, ButtonsFromTheOptionsFileTakeRecordsWhenInputStarts) {
  OptionsFileButton button;
  button.left = 10;
  button.right = 30;
  button.bottom = 20;
  button.key = 'O';
  g_OptionsFile.buttons.assign(kVirtualKeyRecords + 5, button);
  IO_Init();
  g_OptionsFile.buttons.clear();
  // Every record taken, the rest skipped; in use but not drawn.
  EXPECT_EQ(IO_FindFreeVirtualKey(), nullptr);
  EXPECT_EQ(IO_VirtualKeys[127].flags, kVirtualKeyInUse);
  EXPECT_EQ(IO_VirtualKeys[0].right, 30);
  IO_MsgMouseDown(1, 15, 5);
  Step();
  EXPECT_TRUE(IO_KeyPressed('O'));
}

TEST_F(VirtualKeyTest, FreeDeleteAndClear) {
  VirtualKey* first = Add(0, 0, 1, 1, 'A');
  EXPECT_EQ(first->index, 0);
  EXPECT_EQ(IO_FindFreeVirtualKey()->index, 1);
  IO_DeleteVirtualKey(0);
  EXPECT_EQ(IO_FindFreeVirtualKey(), first);
  IO_DeleteVirtualKey(-1);
  IO_DeleteVirtualKey(IO_VIRTUAL_KEY_COUNT);
  for (int32_t i = 0; i < IO_VIRTUAL_KEY_COUNT; ++i) Add(0, 0, 1, 1, 'A');
  EXPECT_EQ(IO_FindFreeVirtualKey(), nullptr);
  IO_ClearVirtualKeys();
  EXPECT_EQ(IO_FindFreeVirtualKey(), first);
}

// --- Saved games ---

struct TypedValue {
  int32_t type;
  double value;
};

TEST_F(VirtualKeyTest, SavedStateRoundTripsAndDamagedBlocksChangeNothing) {
  VirtualKey* key = Add(3, 4, 5, 6, 'S');
  key->u = 7;
  key->v = 8;
  std::vector<TypedValue> saved;
  IO_SaveState([&](int32_t type, double value) { saved.push_back({type, value}); });
  ASSERT_EQ(saved.size(), 2u + 128u * 12u);
  EXPECT_EQ(saved[0].type, 6);
  EXPECT_EQ(saved[0].value, 851);
  EXPECT_EQ(saved[2].type, 4);  // flags and index are 16-bit

  auto reader = [](std::vector<TypedValue> values) {
    return [values, at = size_t{0}](int32_t type, double* value) mutable {
      if (at >= values.size() || values[at].type != type) return false;
      *value = values[at++].value;
      return true;
    };
  };

  std::vector<TypedValue> wrongMarker = saved;
  wrongMarker[0].value = 850;
  std::vector<TypedValue> tooMany = saved;
  tooMany[1].value = 129;
  std::vector<TypedValue> negative = saved;
  negative[1].value = -1;
  std::vector<TypedValue> truncated(saved.begin(), saved.begin() + 100);
  const struct {
    const char* name;
    std::vector<TypedValue> values;
  } damaged[] = {{"marker other than 851", wrongMarker},
                 {"more records than the table", tooMany},
                 {"negative count", negative},
                 {"block ends early", truncated}};
  IO_ClearVirtualKeys();
  for (const auto& d : damaged) {
    SCOPED_TRACE(d.name);
    EXPECT_FALSE(IO_LoadState(reader(d.values)));
    EXPECT_EQ(IO_VirtualKeys[0].flags, 0);
    EXPECT_EQ(IO_VirtualKeyCount, IO_VIRTUAL_KEY_COUNT);
  }

  EXPECT_TRUE(IO_LoadState(reader(saved)));
  EXPECT_EQ(IO_VirtualKeys[0].flags, kVirtualKeyInUse);
  EXPECT_EQ(IO_VirtualKeys[0].right, 8);
  EXPECT_EQ(IO_VirtualKeys[0].v, 8);
  EXPECT_EQ(IO_VirtualKeys[0].key, 'S');
}

TEST_F(VirtualKeyTest, SavedStateGoesThroughASavedGameBuffer) {
  Add(10, 20, 30, 40, 'B')->flags |= kVirtualKeyVisible;
  Buffer_Standard buffer(64, eBuffer_Format_Grow, 1);
  IO_SaveState(&buffer);
  // Marker, count, then per record two 16-bit and ten 32-bit values.
  EXPECT_EQ(buffer.m_usedSize, 8 + 128 * (2 * 2 + 10 * 4));
  IO_ClearVirtualKeys();
  buffer.Seek(0, 0);
  ASSERT_TRUE(IO_LoadState(&buffer));
  EXPECT_EQ(IO_VirtualKeys[0].flags, kVirtualKeyInUse | kVirtualKeyVisible);
  EXPECT_EQ(IO_VirtualKeys[0].bottom, 60);
  // Read again past its end: the block is cut off.
  EXPECT_FALSE(IO_LoadState(&buffer));
}

// --- Recorded frames ---

TEST_F(InputTest, FrameFieldsSitAtTheirOffsets) {
  IO_InputState& s = g_IOInputState;
  s.lastChar = 0x1234;
  s.keyboardString[0] = 'h';
  s.keyboardString[1024] = 0;
  s.lastKey = 0x41;
  s.currentKey = 0x42;
  s.keyHeld[255] = true;
  s.keyReleased[1] = true;
  s.keyPressed[2] = true;
  s.lastMouseButton[9] = 3;
  s.mouseButton[0] = 2;
  s.buttonHeld[1][2] = true;
  s.buttonReleased[9][0] = true;
  s.buttonPressed[0][1] = true;
  s.wheelUp[4] = true;
  s.wheelDown[9] = true;
  s.cursorX = -2;
  s.cursorY = 0x01020304;
  s.mouseX = 17;
  s.mouseY = -1;
  uint8_t frame[IO_FRAME_SIZE];
  IO_WriteFrame(frame);
  auto i32 = [&](size_t at) {
    int32_t v;
    std::memcpy(&v, frame + at, 4);
    return v;
  };
  EXPECT_EQ(frame[0], 0x34);
  EXPECT_EQ(frame[1], 0x12);
  EXPECT_EQ(frame[2], 'h');
  EXPECT_EQ(i32(2052), 0x41);
  EXPECT_EQ(i32(2056), 0x42);
  EXPECT_EQ(frame[2060 + 255], 1);
  EXPECT_EQ(frame[2316 + 1], 1);
  EXPECT_EQ(frame[2572 + 2], 1);
  EXPECT_EQ(i32(2828 + 36), 3);
  EXPECT_EQ(i32(2868), 2);
  EXPECT_EQ(frame[2908 + 5], 1);
  EXPECT_EQ(frame[2938 + 27], 1);
  EXPECT_EQ(frame[2968 + 1], 1);
  EXPECT_EQ(frame[2998 + 4], 1);
  EXPECT_EQ(frame[3008 + 9], 1);
  EXPECT_EQ(i32(3018), -2);
  EXPECT_EQ(frame[3022], 0x04);
  EXPECT_EQ(i32(3026), 17);
  EXPECT_EQ(i32(3030), -1);

  // Reading it back gives the same frame.
  IO_Reset();
  IO_ReadFrame(frame);
  uint8_t again[IO_FRAME_SIZE];
  IO_WriteFrame(again);
  EXPECT_EQ(std::memcmp(frame, again, IO_FRAME_SIZE), 0);
}

class RecordingFileTest : public InputTest {
 protected:
  std::string Path(const char* name) { return std::string(TOLVARINE_TEST_TMP) + "/input_" + name; }
  void StartWith(bool record, bool playback, const std::string& file) {
    IO_Reset();
    IO_Update();  // past the first step, which takes the message buffer from the live state
    g_RunnerOptions.record = record;
    g_RunnerOptions.playback = playback;
    g_RunnerOptions.inputFileName = file;
    IO_Init();
  }
  void TearDown() override {
    g_RunnerOptions.record = false;
    g_RunnerOptions.playback = false;
    g_RunnerOptions.inputFileName.clear();
    InputTest::TearDown();
  }
};

TEST_F(RecordingFileTest, PlaybackThatEndsKeepsTheHeldStateWithoutOneStepFlags) {
  const std::string file = Path("ends.rec");
  StartWith(true, false, file);
  IO_MsgKeyDown('P', false);
  g_IOMessageBuffer.mouseX = 77;
  g_IOMessageBuffer.mouseY = 66;
  Step();
  IO_Shutdown();
  // Half a frame more: a cut-off last step is not played.
  FILE* f = std::fopen(file.c_str(), "ab");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> half(IO_FRAME_SIZE / 2, 0xFF);
  std::fwrite(half.data(), 1, half.size(), f);
  std::fclose(f);

  StartWith(false, true, file);
  IO_MsgKeyDown('Q', false);  // live devices never reach the state during playback
  g_IOMessageBuffer.mouseX = 900;
  g_IOInputState.deviceMouseX[0] = 900;
  Step();
  EXPECT_TRUE(IO_KeyPressed('P'));
  // The mouse is where it was recorded, wherever the pointer is now.
  EXPECT_EQ(g_IOInputState.deviceMouseX[0], 77);
  EXPECT_EQ(g_IOInputState.deviceMouseY[0], 66);
  EXPECT_FALSE(IO_KeyDown('Q'));
  Step();
  Step();
  EXPECT_FALSE(IO_KeyPressed('P'));
  EXPECT_TRUE(IO_KeyDown('P'));
  EXPECT_EQ(IO_GetCurrentKey(), 'P');
}

TEST_F(RecordingFileTest, PlaybackWinsAndFilesThatCannotBeOpenedAreHarmless) {
  const std::string missing = Path("no/such/dir/x.rec");
  // Recording into a file that cannot be made: steps run as usual.
  StartWith(true, false, missing);
  IO_MsgKeyDown('R', false);
  Step();
  EXPECT_TRUE(IO_KeyPressed('R'));

  // Playing back a file that is not there: no input at all.
  StartWith(false, true, missing);
  IO_MsgKeyDown('R', false);
  Step();
  EXPECT_FALSE(IO_KeyDown('R'));

  // Both asked for: playback wins, and the file is only read.
  const std::string file = Path("both.rec");
  StartWith(true, false, file);
  Step();
  IO_Shutdown();
  StartWith(true, true, file);
  EXPECT_FALSE(g_IOInputState.record);
  Step();
  Step();
  IO_Shutdown();
  FILE* f = std::fopen(file.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::fseek(f, 0, SEEK_END);
  EXPECT_EQ(std::ftell(f), static_cast<long>(IO_FRAME_SIZE));
  std::fclose(f);
}

}  // namespace
