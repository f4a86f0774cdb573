#include "host/error_dialog.h"

#include <vector>

#include "host/frame_loop.h"
#include "io/program.h"
#include "io/main_window.h"
#include "platform/window/clipboard.h"
#include "platform/window/message_box.h"
#include "render/frame_services.h"

ErrorForm g_ErrorForm;

namespace {

bool NoBoxAvailable() { return false; }
int NoBox(const char*, const char*, const ErrorDialogButton*, int) { return kErrorBoxFailed; }
void NoClipboard(const char*) {}

// The window layer's boxes: shown only where someone can answer them (never headless or without
// a display), so an unattended run goes on as Ignore would.
int WindowBox(const char* title, const char* text, const ErrorDialogButton* buttons, int count) {
  if (!MessageBox_CanShow()) return kErrorBoxFailed;
  std::vector<MessageBoxButton> shown(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    shown[static_cast<size_t>(i)].id = buttons[i].id;
    shown[static_cast<size_t>(i)].text = buttons[i].text;
  }
  MessageBoxRequest request;
  request.caption = title;
  request.text = text;
  request.icon = MessageBoxIcon::Error;
  request.buttons = shown.data();
  request.buttonCount = count;
  request.defaultAnswer = kErrorBoxFailed;
  request.hasClosedAnswer = true;
  request.closedAnswer = kErrorBoxClosed;
  request.parent = Window_Handle();
  return MessageBox_Show(request);
}

void WindowClipboard(const char* text) { Clipboard_SetText(text); }

ErrorDialogBackend g_backend{&MessageBox_CanShow, &WindowBox, &WindowClipboard};

// Length of the longest prefix of `text` up to `limit` bytes that ends on a character boundary.
size_t CharacterBoundary(const std::string& text, size_t limit) {
  if (limit >= text.size()) return text.size();
  while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0u) == 0x80u) --limit;
  return limit;
}

}  // namespace

ErrorDialogBackend ErrorDialog_SetBackend(const ErrorDialogBackend& backend) {
  ErrorDialogBackend previous = g_backend;
  g_backend.available = backend.available != nullptr ? backend.available : &NoBoxAvailable;
  g_backend.showBox = backend.showBox != nullptr ? backend.showBox : &NoBox;
  g_backend.setClipboard = backend.setClipboard != nullptr ? backend.setClipboard : &NoClipboard;
  return previous;
}

std::string ErrorDialog_FitText(const std::string& text) {
  std::string fitted;
  int lines = 0;
  bool cut = false;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    if (lines == kErrorBoxMaxLines || fitted.size() + (end - at) + 1 > kErrorBoxMaxBytes) {
      if (lines == 0) fitted.append(text, at, CharacterBoundary(text.substr(at, end - at), kErrorBoxMaxBytes - 1));
      cut = true;
      break;
    }
    fitted.append(text, at, end - at);
    ++lines;
    if (end < text.size()) {
      fitted.push_back('\n');
      end += (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    }
    at = end;
  }
  if (cut) fitted += "\n...\n(The whole report is in the log.)";
  return fitted;
}

int ErrorDialog_Show(ErrorForm* form) {
  // Let the window settle after leaving full screen before the box takes over.
  Timing_SleepMs(100);
  Win32_PumpMessages();
  Timing_SleepMs(100);
  Win32_PumpMessages();
  if (!g_backend.available()) return 0;

  bool cleared = false;
  for (;;) {
    ErrorDialogButton buttons[4];
    int count = 0;
    buttons[count++] = {kErrorButtonAbort, "Abort"};
    if (form->allowIgnore) buttons[count++] = {kErrorButtonIgnore, "Ignore"};
    buttons[count++] = {kErrorButtonCopy, "Copy"};
    buttons[count++] = {kErrorButtonClear, "Clear"};
    const std::string shown = cleared ? std::string(" ") : ErrorDialog_FitText(form->text);
    const int choice = g_backend.showBox("Code Error", shown.c_str(), buttons, count);
    if (choice == kErrorButtonAbort) return 1;
    if (choice == kErrorButtonIgnore && form->allowIgnore) return 0;
    if (choice == kErrorButtonCopy) {
      if (!form->text.empty()) g_backend.setClipboard(form->text.c_str());
    } else if (choice == kErrorButtonClear) {
      form->text.clear();
      cleared = true;
    } else if (choice != kErrorBoxClosed) {
      // A box that cannot be shown must not hold the game in this loop.
      return 0;
    }
  }
}

void Win32_MessageBox(const char* text) {
  GR_D3D_ExitFullScreen();
  MessageBox_ShowFatal(Window_GetCaption(), text != nullptr ? text : "");
}
