// The runner's options, which the command line fills at the start of every pass, and the
// parameter list that scripts read.
#pragma once

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

int32_t Runner_ParameterCount();
// The text of parameter `index`, null when the index is negative or not below the count.
const char* Runner_ParameterString(int32_t index);

// Empties the parameter list (the start of a parse) and adds one token to its end.
void Runner_ClearParameters();
void Runner_AddParameter(const std::string& token);
