#include "host/command_line.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "assets/texture.h"
#include "audio/lifecycle.h"
#include "core/run_switches.h"
#include "host/entry.h"
#include "net/lifecycle.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

RunnerOptions g_RunnerOptions;

namespace {

std::string g_tokenBuffer;
std::vector<std::string> g_parameters;

// Only 0x01..0x20 separate tokens: bytes from 0x80 up belong to UTF-8 text and stay in tokens.
bool IsSeparator(unsigned char c) { return c != 0 && c <= 0x20; }

size_t SkipSeparators(size_t position, const char* text) {
  while (IsSeparator(static_cast<unsigned char>(text[position]))) ++position;
  return position;
}

// Cuts one token from `position` into `out`; `found` tells whether there was one.
size_t ScanToken(size_t position, const char* text, std::string* out, bool* found) {
  out->clear();
  *found = false;
  if (text == nullptr) return position;
  position = SkipSeparators(position, text);
  if (text[position] == '\0') return position;
  *found = true;
  bool quoted = false;
  for (;;) {
    unsigned char c = static_cast<unsigned char>(text[position]);
    if (c == '\0' || (!quoted && IsSeparator(c))) break;
    if (c == '\\') {
      // Backslashes are text, except in front of a double quote: there each pair gives one, and
      // an odd one left over makes the quote itself text.
      size_t run = 0;
      while (text[position + run] == '\\') ++run;
      if (text[position + run] != '"') {
        out->append(run, '\\');
        position += run;
        continue;
      }
      out->append(run / 2, '\\');
      position += run;
      if (run % 2 == 1) {
        out->push_back('"');
        ++position;
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else {
      out->push_back(static_cast<char>(c));
    }
    ++position;
  }
  return position;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

size_t Runner_ReadToken(size_t position, const char* text) {
  bool found = false;
  position = ScanToken(position, text, &g_tokenBuffer, &found);
  if (found) g_parameters.push_back(g_tokenBuffer);
  return position;
}

const char* Runner_LastToken() { return g_tokenBuffer.c_str(); }

int32_t Runner_ParameterCount() { return static_cast<int32_t>(g_parameters.size()); }

const char* Runner_ParameterString(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_parameters.size()) return nullptr;
  return g_parameters[static_cast<size_t>(index)].c_str();
}

bool Runner_CommandLineHasToken(const char* text, const char* token) {
  if (text == nullptr) return false;
  std::string scratch;
  size_t position = 0;
  for (;;) {
    bool found = false;
    position = ScanToken(position, text, &scratch, &found);
    if (!found) return false;
    if (scratch == token) return true;
  }
}

bool Runner_ParseCommandLine(const char* text) {
  RunnerOptions& o = g_RunnerOptions;
  o.debug = false;
  Debug_OverlayFlags = 0;
  Extension_CallsDisabled = false;
  o.record = false;
  o.playback = false;
  o.codeExecutionMode = true;
  Audio_NoAudio = false;
  o.inAWindow = false;
  if (text == nullptr) return false;
  g_parameters.clear();

  size_t position = 0;
  // An option's argument is the next token; a missing one reads as empty.
  auto nextArgument = [&]() -> std::string {
    position = Runner_ReadToken(position, text);
    return g_tokenBuffer;
  };

  for (;;) {
    size_t before = g_parameters.size();
    position = Runner_ReadToken(position, text);
    if (g_parameters.size() == before) break;
    const std::string token = g_tokenBuffer;

    if (token == "-debug") {
      // Only a runner that has no game yet may switch debugging on: a game found beside the
      // program or named earlier keeps its own setting.
      if (g_pGameFilePath == nullptr) {
        o.debug = true;
        Debug_OverlayFlags = kDebugOverlayShow;
        Physics_InstallAssertHandler();
      }
    } else if (token == "-trace") {
      o.trace = true;
    } else if (token == "-ext") {
      Extension_CallsDisabled = true;
    } else if (token == "-noerrors") {
      o.showErrors = false;
    } else if (token == "-oldexec") {
      o.codeExecutionMode = false;
    } else if (token == "-noaudio") {
      Audio_NoAudio = true;
    } else if (token == "-inawindow") {
      o.inAWindow = true;
    } else if (token == "-game") {
      std::string file = nextArgument();
      Host_ReplaceText(&g_pGameFilePath, file.c_str());
    } else if (token == "-exit") {
      std::string file = nextArgument();
      Host_ReplaceText(&g_pExitTarget, file.c_str());
    } else if (token == "-dir") {
      o.directory = nextArgument();
    } else if (token == "-record") {
      o.record = true;
      o.inputFileName = nextArgument();
    } else if (token == "-steam") {
      o.restrictedExternals = true;
    } else if (token == "-software") {
      GR_StartupFlags.softwareVertexProcessing = true;
    } else if (token == "-intel") {
      GR_StartupFlags.manualClear = true;
    } else if (token == "-audiodebug") {
      Debug_OverlayFlags |= kDebugOverlayAudio;
    } else if (token == "-networkdebug") {
      o.networkDebug = true;
    } else if (token == "-vanillaGFX") {
      GR_StartupFlags.noAdapterDetection = true;
    } else if (token == "-playback") {
      o.playback = true;
      o.inputFileName = nextArgument();
    } else if (token == "-output") {
      o.output = true;
      Console_SetOutputFile(nextArgument().c_str());
    } else if (token == "-debugoutput") {
      o.debugOutput = true;
      Console_SetDebugOutputFile(nextArgument().c_str());
    } else if (token == "-headless") {
      o.headless = true;
      Console_SetHeadless(true);
    } else if (token == "-profiledump") {
      o.profileDump = true;
      o.profileDumpFile = nextArgument();
      o.profileDumpInterval = std::atoi(nextArgument().c_str());
    } else if (StartsWith(token, "vavaruvo:")) {
      std::string_view rest(token);
      rest.remove_prefix(StartsWith(rest, "vavaruvo://") ? 11 : 9);
      if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
      o.hasLaunchArgs = true;
      o.launchArgs = std::string(rest);
    } else if (token == "-sleepmargin") {
      o.sleepMargin = std::atoi(nextArgument().c_str());
      o.sleepMarginSet = true;
    } else if (token == "-multivb") {
      // "-novb" keeps vertex buffers off whatever follows it.
      GR_StartupFlags.vertexBufferMethod = GR_StartupFlags.noVertexBuffers ? 2 : 1;
      GR_StartupFlags.vertexBufferMethodSet = true;
    } else if (token == "-novb") {
      GR_StartupFlags.noVertexBuffers = true;
      GR_StartupFlags.vertexBufferMethod = 2;
      GR_StartupFlags.vertexBufferMethodSet = true;
    } else if (token == "-compresstextures") {
      o.compressTextures = true;
      Texture_Compress = true;
    } else if (token == "-manualvsync") {
      GR_StartupFlags.alternateSync = true;
      GR_StartupFlags.alternateSyncSet = true;
    }
  }
  return true;
}

std::string Runner_QuoteArgument(const char* text, bool always) {
  const std::string_view arg = text != nullptr ? text : "";
  bool quote = always || arg.empty();
  for (char c : arg) {
    if (c == '"' || IsSeparator(static_cast<unsigned char>(c))) quote = true;
  }
  if (!quote) return std::string(arg);
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes in front of a quote are doubled, and the quote gets one of its own.
    if (c == '"') backslashes = backslashes * 2 + 1;
    out.append(backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  // ... and so are those in front of the closing quote.
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

std::string Runner_BuildCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line.push_back(' ');
    line += Runner_QuoteArgument(argv[i], false);
  }
  return line;
}
