// Message boxes: modal boxes with the buttons a caller asks for.
//
// A box is shown only where someone can answer it: with -headless, or without a display (no
// display server, or the offscreen and dummy video drivers), the caption and text go to the log
// and the box answers at once with the caller's default answer. Nothing here ever blocks an
// unattended run.
#pragma once

#include <cstdint>

struct SDL_Window;

enum class MessageBoxIcon : int32_t { Information, Warning, Error };

struct MessageBoxButton {
  int32_t id = 0;            // what MessageBox_Show returns when this button is chosen
  const char* text = "";
  bool returnKey = false;    // chosen by Enter
  bool escapeKey = false;    // chosen by Escape
};

struct MessageBoxRequest {
  const char* caption = "";
  const char* text = "";
  MessageBoxIcon icon = MessageBoxIcon::Information;
  const MessageBoxButton* buttons = nullptr;  // shown left to right; none: a single "OK"
  int32_t buttonCount = 0;
  // The answer when the box cannot be shown, and when it is closed without a button.
  int32_t defaultAnswer = 0;
  // Callers that must tell a closed box from one that could not be shown set this: closing the
  // box then answers closedAnswer.
  bool hasClosedAnswer = false;
  int32_t closedAnswer = 0;
  SDL_Window* parent = nullptr;  // the window the box belongs to, or null
};

// Shows the box and waits for the answer: the id of the chosen button, or the default answer.
int32_t MessageBox_Show(const MessageBoxRequest& request);

// True when a box would be shown rather than answered with its default.
bool MessageBox_CanShow();

// Shows a modal box with one OK button for conditions that must reach the user even when nothing
// else works (it allocates nothing of the runner's own). The text always goes to standard error.
void MessageBox_ShowFatal(const char* caption, const char* text);
