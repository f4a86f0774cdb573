// The command line: cutting it into tokens, the parameter list that scripts read, and the options.
//
// Tokens are separated by the bytes 0x01 to 0x20; a double quote toggles quoting (inside quotes
// those bytes belong to the token) and is dropped. Backslashes are text, except in front of a
// double quote: there 2n backslashes give n and the quote toggles, 2n + 1 give n and a quote that
// is text. Every token read is recorded in the parameter
// list. The parser resets only a few switches; everything else an option sets stays in force for
// the later passes of the same process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The frame wait sleeps until this many milliseconds before the frame is due and spins for the
// rest. Sleeps here end well within a millisecond of their time, so a wider margin only burns a
// core spinning.
inline constexpr int32_t kDefaultSleepMarginMs = 1;

// Switches and texts set by the options (those owned by other subsystems live in their headers:
// Audio_NoAudio, Extension_CallsDisabled, GR_StartupFlags, Debug_OverlayFlags, g_IsHeadless and
// the console log files).
struct RunnerOptions {
  bool debug = false;              // "-debug"
  bool trace = false;              // "-trace": the interpreter traces byte code
  bool showErrors = true;          // cleared by "-noerrors"
  bool codeExecutionMode = true;   // cleared by "-oldexec"
  bool inAWindow = false;          // "-inawindow": full screen forced off
  bool record = false;             // "-record"
  bool playback = false;           // "-playback"
  std::string inputFileName;       // file of "-record" / "-playback"
  bool restrictedExternals = false;  // "-steam"
  bool networkDebug = false;       // "-networkdebug"; nothing reads it
  bool compressTextures = false;   // "-compresstextures" (also sets Texture_Compress)
  bool headless = false;           // "-headless"
  bool output = false;             // "-output"
  bool debugOutput = false;        // "-debugoutput"
  std::string directory;           // "-dir"; nothing reads it
  bool profileDump = false;        // "-profiledump" was given
  std::string profileDumpFile;
  int32_t profileDumpInterval = 0;
  bool hasLaunchArgs = false;      // a "vavaruvo:" token was given
  std::string launchArgs;
  int32_t sleepMargin = kDefaultSleepMarginMs;
  bool sleepMarginSet = false;     // "-sleepmargin": "options.ini" leaves the margin alone
};
extern RunnerOptions g_RunnerOptions;

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

int32_t Runner_ParameterCount();
// The text of parameter `index`, null when the index is negative or not below the count.
const char* Runner_ParameterString(int32_t index);

// An argument as the parser reads it back unchanged: put in double quotes (with its quotes and
// the backslashes before them escaped) when it is empty, holds a separator or a quote, or `always`.
std::string Runner_QuoteArgument(const char* text, bool always);
// The one command-line text for the parser: the program path, then the arguments, each quoted as
// needed, so that the parameter list gets them exactly as given.
std::string Runner_BuildCommandLine(int argc, const char* const* argv);
