// The "Code Error" dialog, which shows a runtime error report with the buttons Abort, Ignore
// (only when the error may be ignored), Copy and Clear, and the plain message box of start-up
// failures.
//
// The box itself comes from the window layer through a replaceable back end. Without one (no
// display) no box is shown and the dialog answers as Ignore would.
#pragma once

#include <string>

struct ErrorForm {
  std::string text;  // the report as the dialog shows it, with CR LF line breaks
  bool allowIgnore = false;
};
// The one form, filled for each dialog.
extern ErrorForm g_ErrorForm;

inline constexpr int kErrorButtonAbort = 3;
inline constexpr int kErrorButtonIgnore = 4;
inline constexpr int kErrorButtonCopy = 1063;
inline constexpr int kErrorButtonClear = 1064;
// What a box returns when it closed without a button (the close box, Escape).
inline constexpr int kErrorBoxClosed = -1;
// What a box returns when it could not be shown.
inline constexpr int kErrorBoxFailed = -2;

struct ErrorDialogButton {
  int id;
  const char* text;
};

struct ErrorDialogBackend {
  // True when a modal box can be shown now.
  bool (*available)() = nullptr;
  // Shows one modal box and returns the id of the button pressed, kErrorBoxClosed or
  // kErrorBoxFailed.
  int (*showBox)(const char* title, const char* text, const ErrorDialogButton* buttons, int count) = nullptr;
  // Puts a copy of the text on the clipboard.
  void (*setClipboard)(const char* text) = nullptr;
};
// Installs a back end (null members: no box, no clipboard) and returns the one installed before.
ErrorDialogBackend ErrorDialog_SetBackend(const ErrorDialogBackend& backend);

// Shows the form until the user chooses Abort (1) or Ignore (0). Copy and Clear act and show the
// box again, as does closing it, since the dialog stays until one of the two is chosen. Without a
// box, or when it cannot be shown, it returns 0.
int ErrorDialog_Show(ErrorForm* form);

// The part of a report that a box shows: whole lines, at most kErrorBoxMaxLines of them and
// kErrorBoxMaxBytes in all, with plain line feeds; a cut text is followed by a note that the
// whole report is in the log.
inline constexpr int kErrorBoxMaxLines = 40;
inline constexpr size_t kErrorBoxMaxBytes = 4000;
std::string ErrorDialog_FitText(const std::string& text);

// A modal message box with the window caption as its title (start-up failures).
void Win32_MessageBox(const char* text);
