// The platform part of the Misc group: process priority, the clipboard as text, the main
// window's handle and caption, and the graphics device.
#include <string>

#include "core/value.h"
#include "functions/handler_args.h"
#include "functions/misc_functions.h"
#include "functions/misc_handlers.h"
#include "io/graphics_device.h"
#include "io/main_window.h"
#include "platform/system/process.h"
#include "platform/window/clipboard.h"
#include "world/builtin_values.h"

int32_t Priority_NiceOfLevel(int32_t level) {
  switch (level) {
    case 3: return -20;
    case 2: return -10;
    case 1: return -5;
    case -1: return 5;
    case -2: return 10;
    case -3: return 19;
    default: return 0;
  }
}

namespace misc {

BUILTIN_FN(WindowHandle) {
  RValue_Release(result);
  *result = RValue_MakePointer(Window_Handle());
}

BUILTIN_FN(WindowDevice) {
  RValue_Release(result);
  *result = RValue_MakePointer(g_D3D.device);
}

// There are no priority classes here: the level sets the calling thread's nice value. Raising
// it needs privilege; a refusal changes nothing and, as on every platform, is not reported.
BUILTIN_FN(SetProgramPriority) {
  HANDLER_ARGS;
  System_SetThreadNice(Priority_NiceOfLevel(Builtin_Round(a.R(0))));
}

BUILTIN_FN(SetApplicationTitle) {
  HANDLER_ARGS;
  if (const char* title = a.Text(0)) Window_SetCaption(title);
}

BUILTIN_FN(ClipboardHasText) { SetBool(result, Clipboard_HasText()); }

// Only a string with text is placed; the empty string leaves the clipboard empty. Any other kind
// changes nothing and answers the real 0.
BUILTIN_FN(ClipboardSetText) {
  HANDLER_ARGS;
  const char* text = a.Text(0);
  if (text == nullptr) {
    SetReal(result, 0.0);
    return;
  }
  Clipboard_SetText(text);
}

BUILTIN_FN(ClipboardGetText) {
  const std::string text = Clipboard_GetText();
  RValue_SetString(result, text.c_str());
}

}  // namespace misc
