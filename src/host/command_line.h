// The command line: cutting it into tokens, the parameter list that scripts read, and the options.
//
// Tokens are cut by the rule of core/command_tokens.h (the one the parameters of started programs
// follow too): separators are the bytes 0x01 to 0x20, a double quote toggles quoting and is
// dropped, and backslashes are text except in front of a double quote, where 2n give n and the
// quote toggles and 2n + 1 give n and a quote that is text. Every token read is recorded in the
// parameter list. The parser resets only a few switches; everything else an option sets stays in
// force for the later passes of the same process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/runner_options.h"

// Reads one token of `text` from `position` into the token buffer, records it in the parameter
// list and returns the position of the byte that ended it. A null text, or nothing but separators
// left, gives an empty token buffer, records nothing and returns the end of what was skipped.
size_t Runner_ReadToken(size_t position, const char* text);
// The token buffer: the last token read.
const char* Runner_LastToken();

// Resets the per-pass switches, empties the parameter list and applies every option of `text`.
bool Runner_ParseCommandLine(const char* text);

// True when `token` is one of the tokens of `text`; records nothing.
bool Runner_CommandLineHasToken(const char* text, const char* token);

// An argument as the parser reads it back unchanged: put in double quotes (with its quotes and
// the backslashes before them escaped) when it is empty, holds a separator or a quote, or `always`.
std::string Runner_QuoteArgument(const char* text, bool always);
// The one command-line text for the parser: the program path, then the arguments, each quoted as
// needed, so that the parameter list gets them exactly as given.
std::string Runner_BuildCommandLine(int argc, const char* const* argv);
