// The platform part of the Misc group: the process priority levels, the clipboard, the window's
// handle and caption and the device, under SDL's offscreen driver.
#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "functions/math_functions.h"
#include "functions/misc_functions.h"
#include "io/main_window.h"
#include "platform/system/process.h"
#include "platform/window/clipboard.h"
#include "platform/window/window_system.h"

namespace {

using math_test::Answer;
using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

class PlatformFunctionsTest : public RegistryTest {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    RegistryTest::SetUp();
    InitMiscFunctions();
    InitMathFunctions();
  }
};

TEST_F(PlatformFunctionsTest, PriorityLevelsMapToNiceValues) {
  const struct {
    int32_t level;
    int32_t nice;
  } table[] = {{3, -20}, {2, -10}, {1, -5}, {0, 0}, {-1, 5}, {-2, 10}, {-3, 19}, {4, 0}, {7, 0}, {-4, 0}};
  for (const auto& row : table) EXPECT_EQ(Priority_NiceOfLevel(row.level), row.nice) << row.level;
}

// Lowering is always allowed, raising needs privilege: a child process lowers its thread in two
// steps, which also shows the level being rounded to the nearest integer.
TEST_F(PlatformFunctionsTest, LoweringThePriorityInAChildProcess) {
  const int32_t parentNice = System_ThreadNice();
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    int failures = 0;
    if (System_ThreadNice() <= 5) {
      Call("set_program_priority", {Real(-1.4)});  // level -1
      failures += System_ThreadNice() == 5 ? 0 : 1;
    }
    Call("set_program_priority", {Real(-2.6)});  // level -3
    failures += System_ThreadNice() == 19 ? 0 : 2;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(System_ThreadNice(), parentNice);
}

TEST_F(PlatformFunctionsTest, ClipboardTextRoundTrip) {
  if (!WindowLayer_EnsureVideo()) GTEST_SKIP() << "no video driver";
  Call("clipboard_set_text", {Text("\xC3\xA9")});
  EXPECT_EQ(CallReal("clipboard_has_text"), 1.0);
  const std::string back = CallText("clipboard_get_text");
  EXPECT_EQ(back, "\xC3\xA9");
  EXPECT_EQ(back.size(), 2u);
  // Anything but a string changes nothing and answers 0.
  const Answer refused = Call("clipboard_set_text", {Real(5)});
  EXPECT_EQ(refused.Real(), 0.0);
  EXPECT_EQ(CallText("clipboard_get_text"), "\xC3\xA9");
  // The empty string leaves the clipboard empty.
  const Answer emptied = Call("clipboard_set_text", {Text("")});
  EXPECT_EQ(emptied.Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(CallReal("clipboard_has_text"), 0.0);
  EXPECT_EQ(CallText("clipboard_get_text"), "");
}

TEST_F(PlatformFunctionsTest, WindowHandleDeviceAndTitle) {
  WindowState_Reset();
  ASSERT_TRUE(Window_Create(64, 48));
  for (const char* name : {"window_handle", "window_device"}) {
    Answer pointer = Call(name);
    EXPECT_EQ(pointer.Kind(), VALUE_PTR) << name;
    EXPECT_EQ(CallReal("is_ptr", {pointer.v}), 1.0) << name;
    pointer.v = RValue_MakeUndefined();  // is_ptr's call released it
  }
  EXPECT_EQ(Call("window_handle").v.ptr, Window_Handle());
  Call("set_application_title", {Text("Lumbrix \xC3\xA9")});
  EXPECT_STREQ(Window_GetCaption(), "Lumbrix \xC3\xA9");
  EXPECT_STREQ(SDL_GetWindowTitle(Window_Handle()), "Lumbrix \xC3\xA9");
  Call("set_application_title", {Real(3)});
  EXPECT_STREQ(Window_GetCaption(), "Lumbrix \xC3\xA9") << "a non-string changes nothing";
  Window_Destroy();
  WindowState_Reset();
}

}  // namespace
