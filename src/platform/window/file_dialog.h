// Open and save file dialogs.
//
// Shown through the desktop's "zenity" helper when it is installed and a display exists (the
// helper is started directly, never through a shell, each setting as its own argument);
// otherwise the dialog counts as cancelled at once, so an unattended run never waits on it.
#pragma once

#include <string>
#include <vector>

struct FileDialogFilter {
  std::string name;                   // what the user sees, e.g. "Text files (*.txt)"
  std::vector<std::string> patterns;  // e.g. "*.txt"; "*" for every file
};

struct FileDialogRequest {
  bool save = false;
  bool confirmOverwrite = false;  // save: ask before an existing file is replaced
  std::string title;
  // The file offered at first: a directory with a trailing '/', a name, or both.
  std::string initialPath;
  std::vector<FileDialogFilter> filters;  // the first is chosen at first
};

// True and the chosen path when the user picked a file; false when the dialog was cancelled or
// cannot be shown.
bool FileDialog_Show(const FileDialogRequest& request, std::string* path);

// The open-file dialog with one filter line, e.g. "All Files (*.*)" and "*".
bool FileDialog_Open(const char* title, const char* filterName, const char* pattern,
                     std::string* path);

// True when a display is there to show a dialog on.
bool FileDialog_HasDisplay();
