// The runner's small text dialogs: a line of input (plain or hidden), a yes/no question and a
// message with one OK button, each shown through the desktop's "zenity" helper.
//
// Texts are shown as typed: markup is off, and the input prompt, which the helper reads with its
// escapes and underlined access keys, has '\' and '_' escaped. Escape or closing the window
// answers as Cancel (No); a message ends as OK however it is closed. Without a display, or
// without the helper, no dialog opens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TextDialogKind : int32_t { Input, Password, Question, Message };

struct TextDialogSpec {
  TextDialogKind kind = TextDialogKind::Message;
  std::string title;
  std::string text;        // the prompt, question or message; line breaks as LF
  std::string entryText;   // what the input line starts with
  int32_t width = 0;       // pixels; 0 leaves the helper's own size
  int32_t height = 0;
};

inline constexpr int32_t kTextDialogUnavailable = -1;
inline constexpr int32_t kTextDialogCancel = 0;  // also No
inline constexpr int32_t kTextDialogOk = 1;      // also Yes

// The helper's arguments for a dialog (without the program name).
std::vector<std::string> TextDialog_Arguments(const TextDialogSpec& spec);

// Shows the dialog and waits for it: kTextDialogOk (the entered text in *text), kTextDialogCancel,
// or kTextDialogUnavailable when it could not be shown.
int32_t TextDialog_Run(const TextDialogSpec& spec, std::string* text);

// One dialog at a time may stay open while the game goes on. False when it could not be shown
// (or one is open already).
bool TextDialog_Open(const TextDialogSpec& spec);
// Never waits: true once the open dialog closed, with its answer as TextDialog_Run gives it.
bool TextDialog_Poll(int32_t* answer, std::string* text);
// Ends the open dialog, if any, without an answer.
void TextDialog_Close();
