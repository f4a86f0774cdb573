// Cutting a command-line text into tokens: the runner's own command line and the parameters
// handed to the programs it starts follow this one rule, so an argument list built for one reads
// the same in the other.
//
// Tokens are separated by the bytes 0x01 to 0x20; a double quote toggles quoting (inside quotes
// those bytes belong to the token) and is dropped. Backslashes are text, except in front of a
// double quote: there 2n backslashes give n and the quote toggles, 2n + 1 give n and a quote that
// is text. A token may be empty ("" alone is one).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// True for the bytes that separate tokens; bytes from 0x80 up are UTF-8 text, never separators.
bool CommandTokens_IsSeparator(unsigned char c);

// Cuts the token starting at or after `position` into *out and returns the position of the byte
// that ended it. A null text, or nothing but separators left, clears *found and *out and returns
// the end of what was skipped.
size_t CommandTokens_Scan(size_t position, const char* text, std::string* out, bool* found);

// Every token of `text` in order; none for a null text.
std::vector<std::string> CommandTokens_Split(const char* text);
