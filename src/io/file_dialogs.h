// The open and save file dialogs behind get_open_filename and get_save_filename.
//
// A filter is the game's text of description and pattern pairs separated by '|', such as
// "Text files|*.txt|All files|*.*"; several patterns of one pair are separated by ';'. The
// chosen path stays valid until the next dialog. Unattended (-headless) runs never show a
// dialog: it counts as cancelled.
#pragma once

#include <string>
#include <vector>

struct FileDialogFilter;

// The dialog's filter lines. A description without a pattern is dropped; "*.*" is every file.
std::vector<FileDialogFilter> FileDialog_ParseFilter(const char* filter);
// The extension a saved name gets when it has none: the one after the first '.' of the first
// pattern ("" when that pattern names no fixed extension, as "*.*" does).
std::string FileDialog_DefaultExtension(const char* filter);

// Each argument may be null. The chosen path (UTF-8), or null when the dialog was cancelled.
const char* Win32_GetOpenFileName(const char* filter, const char* name, const char* directory, const char* title);
// Asks before an existing file is replaced; a chosen name without an extension gets the
// default one.
const char* Win32_GetSaveFileName(const char* filter, const char* name, const char* directory, const char* title);
