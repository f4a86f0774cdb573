#include "platform/window/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/console.h"
#include "core/run_switches.h"
#include "platform/system/terminal_text.h"

namespace {

bool NonEmpty(const char* value) { return value != nullptr && value[0] != '\0'; }

// The video driver SDL uses or will use.
const char* VideoDriver() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    const char* current = SDL_GetCurrentVideoDriver();
    if (current != nullptr) return current;
  }
  return SDL_getenv("SDL_VIDEODRIVER");
}

uint32_t IconFlags(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Warning: return SDL_MESSAGEBOX_WARNING;
    case MessageBoxIcon::Error: return SDL_MESSAGEBOX_ERROR;
    default: return SDL_MESSAGEBOX_INFORMATION;
  }
}

}  // namespace

bool MessageBox_CanShow() {
  if (g_IsHeadless) return false;
  const char* driver = VideoDriver();
  if (driver != nullptr && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0)) {
    return false;
  }
  return NonEmpty(std::getenv("DISPLAY")) || NonEmpty(std::getenv("WAYLAND_DISPLAY"));
}

int32_t MessageBox_Show(const MessageBoxRequest& request) {
  const char* caption = request.caption != nullptr ? request.caption : "";
  const char* text = request.text != nullptr ? request.text : "";
  if (!MessageBox_CanShow()) {
    // Passed as arguments, never as the format: the text may hold '%'.
    Console_Output("%s: %s\n", caption, text);
    return request.defaultAnswer;
  }

  static const MessageBoxButton kOk[] = {{1, "OK", true, true}};
  const MessageBoxButton* buttons = request.buttons;
  int32_t count = request.buttonCount;
  if (buttons == nullptr || count <= 0) {
    buttons = kOk;
    count = 1;
  }
  std::vector<SDL_MessageBoxButtonData> data(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    SDL_MessageBoxButtonData& b = data[static_cast<size_t>(i)];
    b.flags = 0;
    if (buttons[i].returnKey) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (buttons[i].escapeKey) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    b.buttonid = buttons[i].id;
    b.text = buttons[i].text != nullptr ? buttons[i].text : "";
  }
  SDL_MessageBoxData box = {};
  box.flags = IconFlags(request.icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.window = request.parent;
  box.title = caption;
  box.message = text;
  box.numbuttons = count;
  box.buttons = data.data();
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) {
    Console_Output("%s: %s\n", caption, text);
    return request.defaultAnswer;
  }
  // -1: closed through the window frame without a button.
  if (chosen != -1) return chosen;
  return request.hasClosedAnswer ? request.closedAnswer : request.defaultAnswer;
}

void MessageBox_ShowFatal(const char* caption, const char* text) {
  Terminal_Write(stderr, std::string(caption) + ": " + text + "\n");
  if (MessageBox_CanShow()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
