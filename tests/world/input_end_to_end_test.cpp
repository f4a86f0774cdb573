// Input end to end: a written game in the real main window under SDL's offscreen driver, key and
// mouse events pushed through SDL's queue, the host's message pump, and the game step's
// keyboard and mouse phases.
#include <SDL.h>

#include <cstdlib>

#include "host/entry.h"
#include "io/program.h"
#include "host/sdl_test_events.h"
#include "world_driver.h"

namespace {

class InputEndToEndTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    WorldDriverTest::SetUp();
    ASSERT_TRUE(Window_Create(320, 240));
    m_windowId = SDL_GetWindowID(Window_Handle());
    Window_ClearMessageQueue();
  }
  void TearDown() override {
    Window_Destroy();
    Window_ClearMessageQueue();
    WorldDriverTest::TearDown();
  }
  // One frame: the pending events through the pump and the window procedure, then the step.
  Events Frame() {
    g_Host.running = 1;
    Win32_PumpMessages();
    return Step();
  }
  void Key(bool down, SDL_Scancode scancode, SDL_Keycode keycode) { sdl_test::Key(m_windowId, down, scancode, keycode); }
  void Mouse(Uint32 type, int32_t x, int32_t y, uint8_t button = 0) {
    sdl_test::Mouse(m_windowId, type, x, y, button);
  }

  Uint32 m_windowId = 0;
};

TEST_F(InputEndToEndTest, AKeyPressAndAClickReachTheGameInTheNextStep) {
  ASSERT_EQ(Square(), 0);
  container::ObjtEntry object = Entry("ob_player");
  object.sprite_index = 0;
  object.on(kEventKeyPress, 65, kit::kLogEvent).on(kEventMouse, 4, kit::kLogEvent);
  const container::ObjtEntry objects[] = {object};
  Start({{.x = 40, .y = 40, .object = 0, .id = 100001}, {.x = 200, .y = 100, .object = 0, .id = 100002}}, objects);
  EXPECT_EQ(Frame(), Events{});

  Key(true, SDL_SCANCODE_A, SDLK_a);
  EXPECT_EQ(Frame(), (Events{{kEventKeyPress, 65}, {kEventKeyPress, 65}}));
  EXPECT_EQ(Frame(), Events{}) << "pressed in one step only";

  // The room is as large as the window, so window and room coordinates agree.
  Mouse(SDL_MOUSEMOTION, 210, 110);
  Mouse(SDL_MOUSEBUTTONDOWN, 210, 110, SDL_BUTTON_LEFT);
  EXPECT_EQ(Frame(), (Events{{kEventMouse, 4}}));
  EXPECT_EQ(Ran(kEventMouse, 4), std::vector<int32_t>{100002});
  Key(false, SDL_SCANCODE_A, SDLK_a);
  Mouse(SDL_MOUSEBUTTONUP, 210, 110, SDL_BUTTON_LEFT);
  EXPECT_EQ(Frame(), Events{});
}

}  // namespace
