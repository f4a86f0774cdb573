#include "io/direct_input.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "runtime/host_state.h"
#include "io/program.h"
#include "io/input.h"
#include "platform/window/virtual_keys.h"
#include "platform/window/window_system.h"

namespace {

// A script's number as a key or button code; what no code can be reads as 0.
int32_t Code(double v) {
  if (!(std::fabs(v) < 2147483648.0)) return 0;
  return static_cast<int32_t>(v);
}
int32_t NearestCode(double v) { return Code(std::nearbyint(v)); }

using ButtonFlag = bool (*)(int32_t button, int32_t device);

double CheckButton(ButtonFlag flag, int32_t button, int32_t device) {
  if (device < 0 || device >= IO_DEVICE_COUNT) return 0.0;
  bool any = false;
  for (int32_t b = 1; b <= IO_BUTTON_COUNT; ++b) any = any || flag(b, device);
  switch (button) {
    case mb_none: return any ? 0.0 : 1.0;
    case mb_any: return any ? 1.0 : 0.0;
    case 1:
    case 2:
    case 3: return flag(button, device) ? 1.0 : 0.0;
    default: return 0.0;
  }
}

// The live state does not move while a script waits, so the waits watch what the message
// hooks write.
template <typename Done>
void WaitFor(Done done) {
  for (;;) {
    Win32_PumpMessages();
    if (done() || g_Host.running == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

double keyboard_get_numlock() { return WindowSystem_Get().GetKeyState(VK_NUMLOCK) > 0 ? 1.0 : 0.0; }

void keyboard_set_numlock(double on) {
  const bool wanted = on >= 0.5;
  if ((keyboard_get_numlock() != 0.0) == wanted) return;
  WindowSystem_Get().KeybdEvent(VK_NUMLOCK, false);
  WindowSystem_Get().KeybdEvent(VK_NUMLOCK, true);
}

void keyboard_key_press(double key) { WindowSystem_Get().KeybdEvent(NearestCode(key) & 0xFF, false); }

void keyboard_key_release(double key) { WindowSystem_Get().KeybdEvent(NearestCode(key) & 0xFF, true); }

double keyboard_check_direct(double key) {
  const int32_t vk = Code(key);
  if (vk < 0 || vk > 0xFF) return 0.0;
  return WindowSystem_Get().GetAsyncKeyState(vk) < 0 ? 1.0 : 0.0;
}

double IO_MouseCheckButton(int32_t button, int32_t device) { return CheckButton(IO_ButtonDown, button, device); }
double IO_MouseCheckButtonPressed(int32_t button, int32_t device) {
  return CheckButton(IO_ButtonPressed, button, device);
}
double IO_MouseCheckButtonReleased(int32_t button, int32_t device) {
  return CheckButton(IO_ButtonReleased, button, device);
}

double mouse_check_button(int32_t button) { return IO_MouseCheckButton(button, 0); }
double mouse_check_button_pressed(int32_t button) { return IO_MouseCheckButtonPressed(button, 0); }
double mouse_check_button_released(double button) { return IO_MouseCheckButtonReleased(NearestCode(button), 0); }

void keyboard_wait() {
  IO_SetLastKey(0);
  WaitFor([] { return g_IOMessageBuffer.lastKey != 0; });
}

void mouse_wait() {
  g_IOInputState.lastMouseButton[0] = 0;
  g_IOMessageBuffer.lastButton = 0;
  WaitFor([] { return g_IOMessageBuffer.lastButton != 0; });
}
