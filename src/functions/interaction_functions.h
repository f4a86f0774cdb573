// The interaction group: messages, questions and input dialogs, file-name dialogs, keyboard,
// mouse and joystick queries, the high-score functions, and the splash, info and message-style
// functions that this runner accepts without showing anything. InitInteractionFunctions
// (functions/load_stand_in.h) registers it and sets the game caption.
#pragma once

#include <cstdint>
#include <string>

// Key 0: no key held; key 1: some key held (keys 0 to 255); keys 2 to 255: that key held; any
// other key: false. Compiled code calls it directly.
bool F_KeyboardCheck(int32_t key);

// What the splash functions recorded for a splash display that is never shown.
struct SplashSettings {
  std::string caption;
  bool fullscreen = false;
  bool border = true;
  int32_t width = 0;
  int32_t height = 0;
  bool adapt = false;
  bool top = false;
  int32_t colour = 0;
  bool main = false;
  double scale = 0.0;
  bool cursor = true;
  bool interrupt = false;
  bool stopKey = false;
  bool stopMouse = false;
};
const SplashSettings& Interaction_Splash();
// What splash_set_fullscreen and splash_set_main record.
void Interaction_SetSplashScreen(bool fullscreen, bool main);

struct RValue;
// A dialog's text: the value's text form with '#' as a line break (CR) and "\#" as a plain '#';
// null reads as the real 0.
std::string Interaction_DialogText(const RValue* value);
// show_message: the text in the modal message box (out of full screen first), then the input
// state cleared.
void Interaction_ShowMessage(const RValue* value);
// show_question: true for Yes; the input state is cleared afterwards.
bool Interaction_AskQuestion(const RValue* value);
