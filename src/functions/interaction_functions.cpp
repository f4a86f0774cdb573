#include "functions/interaction_functions.h"

#include <iterator>
#include <string>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/common.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "core/value_text.h"
#include "functions/dialogs.h"
#include "functions/handler_args.h"
#include "functions/highscore.h"
#include "functions/load_stand_in.h"
#include "io/direct_input.h"
#include "runtime/error_report.h"
#include "io/file_dialogs.h"
#include "runtime/game_header.h"
#include "io/program.h"
#include "io/input.h"
#include "io/joystick.h"
#include "io/load_save.h"
#include "io/main_window.h"
#include "runtime/debug_services.h"
#include "platform/window/message_box.h"
#include "render/d3d_device.h"

namespace {

constexpr uint8_t kInteractionFlag = 1;
constexpr size_t kTextBufferStart = 16;

SplashSettings g_splash;


void SetReal(RValue* result, double value) { Args_SetReal(result, value); }
void SetBool(RValue* result, bool value) { SetReal(result, value ? 1.0 : 0.0); }

std::string Converted(const RValue* value) { return Interaction_DialogText(value); }

std::string LineFeeds(std::string text) {
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

// An attached debugger is served while a modal dialog holds the frame loop.
class DebugService {
 public:
  DebugService() : m_on(Debug_IsConnected()) {
    if (m_on) Debug_StartServiceThread();
  }
  ~DebugService() {
    if (m_on) Debug_StopServiceThread();
  }
  DebugService(const DebugService&) = delete;
  DebugService& operator=(const DebugService&) = delete;

 private:
  bool m_on;
};

// --- splash, image, video and text displays: recorded or accepted, never shown ---------------

BUILTIN_FN(SplashSetCaption) {
  HANDLER_ARGS;
  const char* text = a.S(0);
  g_splash.caption = text != nullptr ? text : "";
}
template <bool SplashSettings::*Field>
BUILTIN_FN(SplashSetFlag) {
  HANDLER_ARGS;
  g_splash.*Field = a.B(0);
}
BUILTIN_FN(SplashSetSize) {
  HANDLER_ARGS;
  g_splash.width = a.I(0);
  g_splash.height = a.I(1);
}
BUILTIN_FN(SplashSetColor) {
  HANDLER_ARGS;
  g_splash.colour = a.I(0);
}
BUILTIN_FN(SplashSetScale) {
  HANDLER_ARGS;
  g_splash.scale = a.R(0);
}
// (file, loop or delay)
BUILTIN_FN(SplashShow) {
  HANDLER_ARGS;
  a.S(0);
  a.I(1);
  IO_Clear();
}
// (file, full screen, loop or delay)
BUILTIN_FN(ShowMedia) {
  HANDLER_ARGS;
  a.S(0);
  a.B(1);
  a.I(2);
  IO_Clear();
}
// (file, full screen, background colour, delay)
BUILTIN_FN(ShowText) {
  HANDLER_ARGS;
  a.S(0);
  a.B(1);
  a.I(2);
  a.I(3);
  IO_Clear();
}

// --- messages and questions ------------------------------------------------------------------

BUILTIN_FN(ShowMessage) {
  HANDLER_ARGS;
  Interaction_ShowMessage(a.V(0));
}

BUILTIN_FN(ShowQuestion) {
  HANDLER_ARGS;
  SetBool(result, Interaction_AskQuestion(a.V(0)));
}

BUILTIN_FN(ShowMessageAsync) {
  HANDLER_ARGS;
  SetReal(result, Dialog_ShowMessageAsync(Window_GetCaption(), Converted(a.V(0)).c_str()));
  IO_Clear();
}

BUILTIN_FN(ShowQuestionAsync) {
  HANDLER_ARGS;
  SetReal(result, Dialog_ShowQuestionAsync(Window_GetCaption(), Converted(a.V(0)).c_str()));
  IO_Clear();
}

BUILTIN_FN(ShowError) {
  HANDLER_ARGS;
  const char* text = a.S(0);
  Error_Report(a.B(1), text);
}

// The modal input dialog: true and the entered text on OK.
bool AskModal(const Args& a, std::string* text) {
  const char* prompt = a.S(0);
  const std::string defaultText = Converted(a.V(1));
  DebugService service;
  return Dialog_GetString(Window_GetCaption(), prompt, defaultText.c_str(), text);
}

BUILTIN_FN(GetString) {
  HANDLER_ARGS;
  std::string text;
  if (!AskModal(a, &text)) text.clear();
  RValue_SetString(result, text.c_str());
  IO_Clear();
}

BUILTIN_FN(GetInteger) {
  HANDLER_ARGS;
  std::string text;
  // Cancel leaves the result as the caller set it up.
  if (AskModal(a, &text)) SetReal(result, Dialog_ReadNumber(text.c_str()));
  IO_Clear();
}

BUILTIN_FN(GetStringAsync) {
  HANDLER_ARGS;
  const char* prompt = a.S(0);
  SetReal(result, Dialog_GetStringAsync(Window_GetCaption(), prompt, Converted(a.V(1)).c_str()));
}

BUILTIN_FN(GetLoginAsync) {
  HANDLER_ARGS;
  const char* userName = a.S(0);
  const char* password = a.S(1);
  SetReal(result, Dialog_GetLoginAsync(userName, password));
}

// --- file dialogs ----------------------------------------------------------------------------

void FileDialogResult(RValue* result, const char* chosen, LoadSaveWhitelistEntry** allowList) {
  if (chosen != nullptr) LoadSave_AddToWhitelist(allowList, chosen, false);
  RValue_SetString(result, chosen != nullptr ? chosen : "");
  IO_Clear();
}

BUILTIN_FN(GetOpenFilename) {
  HANDLER_ARGS;
  const char* filter = a.S(0);
  const char* name = a.S(1);
  FileDialogResult(result, Win32_GetOpenFileName(filter, name, nullptr, nullptr), &g_pReadWhitelist);
}

BUILTIN_FN(GetSaveFilename) {
  HANDLER_ARGS;
  const char* filter = a.S(0);
  const char* name = a.S(1);
  FileDialogResult(result, Win32_GetSaveFileName(filter, name, nullptr, nullptr), &g_pSaveWhitelist);
}

BUILTIN_FN(GetOpenFilenameExt) {
  HANDLER_ARGS;
  const char* filter = a.S(0);
  const char* name = a.S(1);
  const char* directory = a.S(2);
  const char* title = a.S(3);
  FileDialogResult(result, Win32_GetOpenFileName(filter, name, directory, title), &g_pReadWhitelist);
}

BUILTIN_FN(GetSaveFilenameExt) {
  HANDLER_ARGS;
  const char* filter = a.S(0);
  const char* name = a.S(1);
  const char* directory = a.S(2);
  const char* title = a.S(3);
  FileDialogResult(result, Win32_GetSaveFileName(filter, name, directory, title), &g_pSaveWhitelist);
}

// --- accepted and logged ---------------------------------------------------------------------

BUILTIN_FN(ShowInfo) {
  HANDLER_ARGS;
  Console_Output("show_info(str) not supported\n");
  IO_Clear();
}
BUILTIN_FN(LoadInfo) {
  HANDLER_ARGS;
  a.S(0);
  Console_Output("load_info(str) not supported\n");
  SetReal(result, 0.0);
}
BUILTIN_FN(ShowMessageExt) {
  HANDLER_ARGS;
  Console_Output("show_message_ext(str,but1,but2,but3) not impleneted\n");
  SetReal(result, 1.0);
  IO_Clear();
}
BUILTIN_FN(ShowMenu) {
  HANDLER_ARGS;
  Console_Output("show_menu(str,default) not implemented.\n");
  SetReal(result, 0.0);
  IO_Clear();
}
BUILTIN_FN(ShowMenuPos) {
  HANDLER_ARGS;
  Console_Output("show_menu_pos(X,Y,str,default) not implemented.\n");
  SetReal(result, 0.0);
  IO_Clear();
}
BUILTIN_FN(GetColor) {
  HANDLER_ARGS;
  Console_Output("get_color(def) is not implemented\n");
  SetReal(result, 0.0);
  IO_Clear();
}
BUILTIN_FN(GetDirectory) {
  HANDLER_ARGS;
  Console_Output("get_directory(dname) not implemented.\n");
  RValue_SetString(result, "");
  IO_Clear();
}
BUILTIN_FN(GetDirectoryAlt) {
  HANDLER_ARGS;
  Console_Output("get_directory_alt(capt,root) not implemented.\n");
  RValue_SetString(result, "");
  IO_Clear();
}

// The message_ functions only say that they do nothing.
template <const char* Line>
BUILTIN_FN(MessageSetting) {
  HANDLER_ARGS;
  Console_Output("%s\n", Line);
}
constexpr char kMessageBackground[] = "message_background(back) not impleneted";
constexpr char kMessageButton[] = "message_button(spr) not impleneted";
constexpr char kMessageTextFont[] = "message_text_font(name,size,color,style) not impleneted";
constexpr char kMessageButtonFont[] = "message_button_font(name,size,color,style) not impleneted";
constexpr char kMessageInputFont[] = "message_input_font(name,size,color,style) not impleneted";
constexpr char kMessageAlpha[] = "message_alpha(alpha) not impleneted";
constexpr char kMessageMouseColor[] = "message_mouse_color(col) not impleneted";
constexpr char kMessageInputColor[] = "message_input_color(col) not impleneted";
constexpr char kMessagePosition[] = "message_position(x,y) not impleneted";
constexpr char kMessageSize[] = "message_size(w,h)not impleneted";
constexpr char kMessageCaption[] = "message_caption(show,str) not impleneted";

// --- keyboard and mouse ----------------------------------------------------------------------

bool AnyKey(bool (*test)(int32_t)) {
  for (int32_t key = 0; key < IO_KEY_COUNT; ++key) {
    if (test(key)) return true;
  }
  return false;
}

// The pressed and released forms of F_KeyboardCheck.
bool KeyTest(int32_t key, bool (*test)(int32_t)) {
  if (key == 0) return !AnyKey(test);
  if (key == 1) return AnyKey(test);
  if (key < 0 || key >= IO_KEY_COUNT) return false;
  return test(key);
}

BUILTIN_FN(KeyboardGetNumlock) {
  HANDLER_ARGS;
  SetReal(result, keyboard_get_numlock());
}
BUILTIN_FN(KeyboardSetNumlock) {
  HANDLER_ARGS;
  keyboard_set_numlock(a.R(0));
}
BUILTIN_FN(KeyboardKeyPress) {
  HANDLER_ARGS;
  keyboard_key_press(a.R(0));
}
BUILTIN_FN(KeyboardKeyRelease) {
  HANDLER_ARGS;
  keyboard_key_release(a.R(0));
}
BUILTIN_FN(KeyboardSetMap) {
  HANDLER_ARGS;
  IO_SetKeyMap(a.I(0), a.I(1));
}
BUILTIN_FN(KeyboardGetMap) {
  HANDLER_ARGS;
  SetReal(result, IO_GetKeyMap(a.I(0)));
}
BUILTIN_FN(KeyboardUnsetMap) {
  HANDLER_ARGS;
  for (int32_t key = 0; key < IO_KEY_COUNT; ++key) IO_SetKeyMap(key, key);
}
BUILTIN_FN(KeyboardCheck) {
  HANDLER_ARGS;
  SetBool(result, F_KeyboardCheck(a.I(0)));
}
BUILTIN_FN(KeyboardCheckPressed) {
  HANDLER_ARGS;
  SetBool(result, KeyTest(a.I(0), IO_KeyPressed));
}
BUILTIN_FN(KeyboardCheckReleased) {
  HANDLER_ARGS;
  SetBool(result, KeyTest(a.I(0), IO_KeyReleased));
}
BUILTIN_FN(KeyboardCheckDirect) {
  HANDLER_ARGS;
  SetReal(result, keyboard_check_direct(a.R(0)));
}
BUILTIN_FN(MouseCheckButton) {
  HANDLER_ARGS;
  SetReal(result, mouse_check_button(a.I(0)));
}
BUILTIN_FN(MouseCheckButtonPressed) {
  HANDLER_ARGS;
  SetReal(result, mouse_check_button_pressed(a.I(0)));
}
BUILTIN_FN(MouseCheckButtonReleased) {
  HANDLER_ARGS;
  SetReal(result, mouse_check_button_released(a.R(0)));
}
BUILTIN_FN(MouseWheelUp) {
  HANDLER_ARGS;
  SetBool(result, IO_WheelUp(0));
}
BUILTIN_FN(MouseWheelDown) {
  HANDLER_ARGS;
  SetBool(result, IO_WheelDown(0));
}
BUILTIN_FN(KeyboardClear) {
  HANDLER_ARGS;
  Win32_PumpMessages();
  IO_ClearKey(a.I(0));
}
BUILTIN_FN(MouseClear) {
  HANDLER_ARGS;
  Win32_PumpMessages();
  const int32_t button = a.I(0);
  if (button == -1) {
    for (int32_t b = 1; b <= IO_BUTTON_COUNT; ++b) IO_ClearButton(b, 0);
  } else {
    IO_ClearButton(button, 0);
  }
}
BUILTIN_FN(IoClear) {
  HANDLER_ARGS;
  Win32_PumpMessages();
  IO_Clear();
}
BUILTIN_FN(IoHandle) {
  HANDLER_ARGS;
  Win32_PumpMessages();
}
BUILTIN_FN(DeviceMouseDbclickEnable) {
  HANDLER_ARGS;
  a.B(0);
}
BUILTIN_FN(KeyboardWait) {
  HANDLER_ARGS;
  keyboard_wait();
}
BUILTIN_FN(MouseWait) {
  HANDLER_ARGS;
  mouse_wait();
}
BUILTIN_FN(BrowserInputCapture) { HANDLER_ARGS; }

// --- joysticks -------------------------------------------------------------------------------

template <double (*Query)(double)>
BUILTIN_FN(JoystickQuery) {
  HANDLER_ARGS;
  SetReal(result, Query(a.R(0)));
}
BUILTIN_FN(JoystickName) {
  HANDLER_ARGS;
  RValue_SetString(result, joystick_name(a.R(0)).c_str());
}
BUILTIN_FN(JoystickCheckButton) {
  HANDLER_ARGS;
  SetReal(result, joystick_check_button(a.R(0), a.R(1)));
}

struct Registration {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

// Before the high-score functions.
constexpr Registration kBeforeScores[] = {
    {"splash_set_caption", SplashSetCaption, 1},
    {"splash_set_fullscreen", SplashSetFlag<&SplashSettings::fullscreen>, 1},
    {"splash_set_border", SplashSetFlag<&SplashSettings::border>, 1},
    {"splash_set_size", SplashSetSize, 2},
    {"splash_set_adapt", SplashSetFlag<&SplashSettings::adapt>, 1},
    {"splash_set_top", SplashSetFlag<&SplashSettings::top>, 1},
    {"splash_set_color", SplashSetColor, 1},
    {"splash_set_main", SplashSetFlag<&SplashSettings::main>, 1},
    {"splash_set_scale", SplashSetScale, 1},
    {"splash_set_cursor", SplashSetFlag<&SplashSettings::cursor>, 1},
    {"splash_set_interrupt", SplashSetFlag<&SplashSettings::interrupt>, 1},
    {"splash_set_stop_key", SplashSetFlag<&SplashSettings::stopKey>, 1},
    {"splash_set_stop_mouse", SplashSetFlag<&SplashSettings::stopMouse>, 1},
    {"splash_show_video", SplashShow, 2},
    {"splash_show_image", SplashShow, 2},
    {"splash_show_text", SplashShow, 2},
    {"show_image", ShowMedia, 3},
    {"show_video", ShowMedia, 3},
    {"show_text", ShowText, 4},
    {"show_message", ShowMessage, 1},
    {"show_question", ShowQuestion, 1},
    {"show_message_async", ShowMessageAsync, 1},
    {"show_question_async", ShowQuestionAsync, 1},
    {"show_error", ShowError, 2},
    {"show_info", ShowInfo, 0},
    {"load_info", LoadInfo, 1},
};

// After them.
constexpr Registration kAfterScores[] = {
    {"show_message_ext", ShowMessageExt, 4},
    {"message_background", MessageSetting<kMessageBackground>, 1},
    {"message_button", MessageSetting<kMessageButton>, 1},
    {"message_alpha", MessageSetting<kMessageAlpha>, 1},
    {"message_text_font", MessageSetting<kMessageTextFont>, 4},
    {"message_button_font", MessageSetting<kMessageButtonFont>, 4},
    {"message_input_font", MessageSetting<kMessageInputFont>, 4},
    {"message_mouse_color", MessageSetting<kMessageMouseColor>, 1},
    {"message_input_color", MessageSetting<kMessageInputColor>, 1},
    {"message_position", MessageSetting<kMessagePosition>, 2},
    {"message_size", MessageSetting<kMessageSize>, 2},
    {"message_caption", MessageSetting<kMessageCaption>, 2},
    {"show_menu", ShowMenu, 2},
    {"show_menu_pos", ShowMenuPos, 4},
    {"get_integer", GetInteger, 2},
    {"get_integer_async", GetStringAsync, 2},
    {"get_string", GetString, 2},
    {"get_string_async", GetStringAsync, 2},
    {"get_login_async", GetLoginAsync, 2},
    {"get_color", GetColor, 1},
    {"get_open_filename", GetOpenFilename, 2},
    {"get_save_filename", GetSaveFilename, 2},
    {"get_open_filename_ext", GetOpenFilenameExt, 4},
    {"get_save_filename_ext", GetSaveFilenameExt, 4},
    {"get_directory", GetDirectory, 1},
    {"get_directory_alt", GetDirectoryAlt, 2},
    {"keyboard_get_numlock", KeyboardGetNumlock, 0},
    {"keyboard_set_numlock", KeyboardSetNumlock, 1},
    {"keyboard_key_press", KeyboardKeyPress, 1},
    {"keyboard_key_release", KeyboardKeyRelease, 1},
    {"keyboard_set_map", KeyboardSetMap, 2},
    {"keyboard_get_map", KeyboardGetMap, 1},
    {"keyboard_unset_map", KeyboardUnsetMap, 0},
    {"keyboard_check", KeyboardCheck, 1},
    {"keyboard_check_pressed", KeyboardCheckPressed, 1},
    {"keyboard_check_released", KeyboardCheckReleased, 1},
    {"keyboard_check_direct", KeyboardCheckDirect, 1},
    {"mouse_check_button", MouseCheckButton, 1},
    {"mouse_check_button_pressed", MouseCheckButtonPressed, 1},
    {"mouse_check_button_released", MouseCheckButtonReleased, 1},
    {"mouse_wheel_up", MouseWheelUp, 0},
    {"mouse_wheel_down", MouseWheelDown, 0},
    {"joystick_exists", JoystickQuery<joystick_exists>, 1},
    {"joystick_direction", JoystickQuery<joystick_direction>, 1},
    {"joystick_name", JoystickName, 1},
    {"joystick_axes", JoystickQuery<joystick_axes>, 1},
    {"joystick_buttons", JoystickQuery<joystick_buttons>, 1},
    {"joystick_has_pov", JoystickQuery<joystick_has_pov>, 1},
    {"joystick_check_button", JoystickCheckButton, 2},
    {"joystick_xpos", JoystickQuery<joystick_xpos>, 1},
    {"joystick_ypos", JoystickQuery<joystick_ypos>, 1},
    {"joystick_zpos", JoystickQuery<joystick_zpos>, 1},
    {"joystick_rpos", JoystickQuery<joystick_rpos>, 1},
    {"joystick_upos", JoystickQuery<joystick_upos>, 1},
    {"joystick_vpos", JoystickQuery<joystick_vpos>, 1},
    {"joystick_pov", JoystickQuery<joystick_pov>, 1},
    {"keyboard_clear", KeyboardClear, 1},
    {"mouse_clear", MouseClear, 1},
    {"io_clear", IoClear, 0},
    {"io_handle", IoHandle, 0},
    {"device_mouse_dbclick_enable", DeviceMouseDbclickEnable, 1},
    {"keyboard_wait", KeyboardWait, 0},
    {"mouse_wait", MouseWait, 0},
    {"browser_input_capture", BrowserInputCapture, 1},
};
static_assert(std::size(kBeforeScores) == 26 && std::size(kAfterScores) == 64);

}  // namespace

bool F_KeyboardCheck(int32_t key) { return KeyTest(key, IO_KeyDown); }

const SplashSettings& Interaction_Splash() { return g_splash; }

void Interaction_SetSplashScreen(bool fullscreen, bool main) {
  g_splash.fullscreen = fullscreen;
  g_splash.main = main;
}

std::string Interaction_DialogText(const RValue* value) {
  const RValue zero = RValue_MakeReal(0.0);
  char* base = static_cast<char*>(MEM_ALLOC(kTextBufferStart));
  base[0] = '\0';
  char* cursor = base;
  size_t capacity = kTextBufferStart;
  RValue_AppendText(&cursor, &base, &capacity, value != nullptr ? value : &zero);
  Text_HashToNewline(base);
  std::string text = base;
  MEM_FREE(base);
  return text;
}

void Interaction_ShowMessage(const RValue* value) {
  const std::string text = LineFeeds(Converted(value));
  GR_D3D_ExitFullScreen();
  {
    DebugService service;
    MessageBoxRequest box;
    box.caption = Window_GetCaption();
    box.text = text.c_str();
    box.defaultAnswer = 1;
    box.parent = Window_Handle();
    MessageBox_Show(box);
  }
  IO_Clear();
}

bool Interaction_AskQuestion(const RValue* value) {
  const std::string text = Converted(value);
  bool yes = false;
  {
    DebugService service;
    yes = Dialog_ShowQuestion(Window_GetCaption(), text.c_str());
  }
  IO_Clear();
  return yes;
}

void InitInteractionFunctions() {
  for (const Registration& r : kBeforeScores) Builtin_Add(r.name, r.handler, r.argumentCount, kInteractionFlag);
  Score_RegisterFunctions();
  for (const Registration& r : kAfterScores) Builtin_Add(r.name, r.handler, r.argumentCount, kInteractionFlag);
  g_splash = SplashSettings{};
  Window_SetCaption(g_GameHeader.displayName ? g_GameHeader.displayName->c_str() : kDefaultGameCaption);
}
