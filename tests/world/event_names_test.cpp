// The names error reports give to events.
#include <string>

#include "world/event_names.h"
#include "world_test_support.h"

namespace {

class EventNamesTest : public ObjectWorldTest {};

TEST_F(EventNamesTest, EveryTypeHasItsText) {
  ASSERT_TRUE(Load({Entry("ob_wall"), Entry("ob_player")}));
  const struct {
    int32_t type;
    int32_t number;
    const char* name;
  } cases[] = {
      {0, 0, "Create Event"},
      {1, 0, "Destroy Event"},
      {2, 11, "Alarm Event for alarm 11"},
      {3, 1, " Step Event1"},
      {4, 1, " Step Eventob_player"},
      {4, 9, " Step Event<undefined>"},
      {5, 65, "Keyboard Event for A-key Key"},
      {5, 48, "Keyboard Event for 0-key Key"},
      {9, 98, "Key Press Event for Keypad-2 Key"},
      {10, 200, "Key Release Event for <unknown> Key"},
      {10, 0, "Key Release Event for <no key> Key"},
      {9, 1, "Key Press Event for <any key> Key"},
      {5, 27, "Keyboard Event for <Escape> Key"},
      {5, 106, "Keyboard Event for Keypad * Key"},
      {5, 112, "Keyboard Event for F1 Key"},
      {5, 123, "Keyboard Event for F12 Key"},
      {5, 124, "Keyboard Event for <unknown> Key"},
      {6, 0, "Mouse Event for Left Button"},
      {6, 12, "Mouse Event for <unknown>"},
      {6, 21, "Mouse Event for Joystick 1 Button 1"},
      {6, 29, "Mouse Event for <unknown>"},
      {6, 43, "Mouse Event for Joystick 2 Button 8"},
      {6, 58, "Mouse Event for Glob Middle Released"},
      {6, 61, "Mouse Event for Mouse Wheel Down"},
      {7, 12, "Other Event: User Defined 2"},
      {7, 25, "Other Event: User Defined 15"},
      {7, 26, "Other Event: <unknown>"},
      {7, 47, "Other Event: Outside View 7"},
      {7, 50, "Other Event: Boundary View 0"},
      {7, 58, "Other Event: Animation Update"},
      {7, 59, "Other Event: <unknown>"},
      {7, 60, "Async Event: Image Loaded"},
      {7, 64, "Async Event: <unknown>"},
      {7, 72, "Async Event: Save-Load"},
      {7, 75, "Async Event: System Event"},
      {8, 0, "Draw Event"},
      {8, 64, "Draw Event"},
      {11, 0, "<Unknown Event>"},
      {-1, 0, "<Unknown Event>"},
      {100000, 3, "<Unknown Event>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(Event_GetName(c.type, c.number)), c.name) << c.type << " " << c.number;
  }
}

}  // namespace
