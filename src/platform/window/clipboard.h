// The system clipboard, text only.
#pragma once

#include <string>

// False when the clipboard cannot be reached (no video driver).
bool Clipboard_SetText(const char* utf8);
// The clipboard's text; empty when it holds none or cannot be reached.
std::string Clipboard_GetText();
bool Clipboard_HasText();
