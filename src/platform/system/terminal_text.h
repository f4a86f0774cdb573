// Text on its way to a terminal. Messages quote names out of game files, and a damaged file can
// put control bytes there: an escape sequence would be obeyed by the terminal, not shown.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// `text` with every control byte but newline and tab (C0, DEL, and the C1 controls U+0080 to
// U+009F as UTF-8) written as \xNN; everything else, valid UTF-8 or not, is kept.
std::string Terminal_Printable(std::string_view text);

// Writes `text` made printable to `stream` and flushes it.
void Terminal_Write(std::FILE* stream, std::string_view text);
