// Message boxes for fatal conditions that must reach the user even when nothing else works.
#pragma once

// Shows a modal box with one OK button. Before a window system is up (or without a display)
// the text goes to standard error.
void MessageBox_ShowFatal(const char* caption, const char* text);
