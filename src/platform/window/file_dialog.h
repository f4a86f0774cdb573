// The open-file dialog.
//
// Shown through the desktop's "zenity" helper when it is installed and a display exists;
// otherwise the dialog counts as cancelled at once, so an unattended run never waits on it.
#pragma once

#include <string>

// filterName/pattern: one filter line, e.g. "All Files (*.*)" and "*". Returns true and the
// chosen path when the user picked a file, false when the dialog was cancelled or cannot be shown.
bool FileDialog_Open(const char* title, const char* filterName, const char* pattern,
                     std::string* path);

// True when a display is there to show a dialog on.
bool FileDialog_HasDisplay();
