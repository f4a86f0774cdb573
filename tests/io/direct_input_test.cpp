// Num Lock, made-up keys, the key state of the moment, the mouse-button tests with mb_none and
// mb_any, and the waits for a new key or mouse button.
#include "io/direct_input.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/entry.h"
#include "host/fake_window_system.h"
#include "io/program.h"
#include "io/input.h"
#include "platform/window/virtual_keys.h"

namespace {

using host_test::FakeWindowSystem;

class DirectInputTest : public testing::Test {
 protected:
  void SetUp() override {
    IO_Reset();
    IO_Update();
    g_Host.running = 1;
    pumps = 0;
    onPump = nullptr;
  }
  void TearDown() override {
    Win32_SetPumpMessagesHook(nullptr);
    IO_Reset();
    g_Host.running = 0;
  }

  // Counts the message pumps of a wait and runs the test's step at each.
  static void Hook() {
    ++pumps;
    if (onPump != nullptr) onPump(pumps);
  }

  static inline int pumps = 0;
  static inline void (*onPump)(int pump) = nullptr;
  FakeWindowSystem sys;
};

TEST_F(DirectInputTest, MouseButtonCodesNoneAndAny) {
  // Held: left. Pressed this step: left. Released this step: right.
  IO_MsgMouseDown(2, 0, 0);
  IO_Update();
  IO_MsgMouseUp(2, 0, 0);
  IO_MsgMouseDown(1, 0, 0);
  IO_Update();

  const struct {
    int32_t button;
    double held, pressed, released;
  } cases[] = {
      {mb_none, 0, 0, 0}, {mb_any, 1, 1, 1}, {1, 1, 1, 0}, {2, 0, 0, 1}, {3, 0, 0, 0}, {4, 0, 0, 0}, {-2, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    EXPECT_EQ(mouse_check_button(c.button), c.held);
    EXPECT_EQ(mouse_check_button_pressed(c.button), c.pressed);
    EXPECT_EQ(mouse_check_button_released(c.button), c.released);
  }
  // The released test rounds its argument.
  EXPECT_EQ(mouse_check_button_released(1.6), 1.0);
  EXPECT_EQ(mouse_check_button_released(2.4), 1.0);

  // Nothing held: mb_none is 1; another device reads its own flags; a device that does not
  // exist reads 0 for every code.
  IO_MsgMouseUp(1, 0, 0);
  IO_Update();
  IO_Update();
  EXPECT_EQ(mouse_check_button(mb_none), 1.0);
  EXPECT_EQ(mouse_check_button(mb_any), 0.0);
  EXPECT_EQ(mouse_check_button_pressed(mb_none), 1.0);
  EXPECT_EQ(IO_MouseCheckButton(mb_none, 3), 1.0);
  EXPECT_EQ(IO_MouseCheckButton(mb_none, IO_DEVICE_COUNT), 0.0);
  EXPECT_EQ(IO_MouseCheckButtonReleased(mb_none, -1), 0.0);
}

TEST_F(DirectInputTest, NumLockAndMadeUpKeys) {
  EXPECT_EQ(keyboard_get_numlock(), 0.0);
  keyboard_set_numlock(0.4);  // off already: nothing sent
  EXPECT_TRUE(sys.keyEvents.empty());
  keyboard_set_numlock(0.5);
  EXPECT_EQ(sys.keyEvents, (std::vector<std::pair<int32_t, bool>>{{VK_NUMLOCK, false}, {VK_NUMLOCK, true}}));
  EXPECT_EQ(keyboard_get_numlock(), 1.0);
  keyboard_set_numlock(1);
  EXPECT_EQ(sys.keyEvents.size(), 2u);
  // Held down, the lock does not count as on.
  sys.keyDown[VK_NUMLOCK] = 1;
  EXPECT_EQ(keyboard_get_numlock(), 0.0);
  sys.keyDown[VK_NUMLOCK] = 0;
  keyboard_set_numlock(0);
  EXPECT_EQ(keyboard_get_numlock(), 0.0);
  EXPECT_EQ(sys.keyEvents.size(), 4u);

  sys.keyEvents.clear();
  keyboard_key_press(65.4);
  keyboard_key_release(65.6);
  keyboard_key_press(0x141);  // one byte of key code
  EXPECT_EQ(sys.keyEvents, (std::vector<std::pair<int32_t, bool>>{{65, false}, {66, true}, {0x41, false}}));
}

TEST_F(DirectInputTest, DirectCheckReadsTheKeyOfTheMoment) {
  sys.keyDown[0x41] = 1;  // 'A'
  EXPECT_EQ(keyboard_check_direct('A'), 1.0);
  EXPECT_EQ(keyboard_check_direct('A' + 0.9), 1.0);  // truncated
  EXPECT_EQ(keyboard_check_direct('B'), 0.0);
  EXPECT_EQ(keyboard_check_direct('A' + 256), 0.0);  // no such key
  EXPECT_EQ(keyboard_check_direct(-1), 0.0);
  // The step's state does not know of it.
  EXPECT_FALSE(IO_KeyDown('A'));
}

TEST_F(DirectInputTest, KeyboardWaitNeedsAKeyPressedAfterTheCall) {
  IO_MsgKeyDown('Q', false);  // before the wait: does not end it
  Win32_SetPumpMessagesHook(Hook);
  onPump = [](int pump) {
    if (pump == 3) IO_MsgKeyDown('W', false);
  };
  keyboard_wait();
  EXPECT_EQ(pumps, 3);
  EXPECT_EQ(g_IOMessageBuffer.lastKey, 'W');
  EXPECT_EQ(IO_GetLastKey(), 0);  // the live state moves at the next step
}

TEST_F(DirectInputTest, MouseWaitNeedsAButtonPressedAfterTheCall) {
  IO_MsgMouseDown(1, 0, 0);
  IO_Update();
  ASSERT_EQ(IO_GetLastButton(0), 1);
  Win32_SetPumpMessagesHook(Hook);
  onPump = [](int pump) {
    if (pump == 2) IO_MsgKeyDown('K', false);  // a key is no mouse button
    if (pump == 4) IO_MsgMouseDown(3, 0, 0);
  };
  mouse_wait();
  EXPECT_EQ(pumps, 4);
  EXPECT_EQ(g_IOMessageBuffer.lastButton, 3);
  EXPECT_EQ(IO_GetLastButton(0), 0);
}

TEST_F(DirectInputTest, WaitsEndWhenTheWindowCloses) {
  Win32_SetPumpMessagesHook(Hook);
  onPump = [](int pump) {
    if (pump == 2) Win32_PostQuit();  // the pump takes it and stops the main loop
  };
  keyboard_wait();
  EXPECT_EQ(pumps, 2);
  EXPECT_EQ(g_Host.running, 0);

  g_Host.running = 1;
  pumps = 0;
  onPump = [](int pump) {
    if (pump == 1) g_Host.running = 0;
  };
  mouse_wait();
  EXPECT_EQ(pumps, 1);
}

}  // namespace
