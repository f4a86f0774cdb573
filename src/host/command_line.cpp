#include "host/command_line.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "assets/texture.h"
#include "audio/lifecycle.h"
#include "core/command_tokens.h"
#include "core/run_switches.h"
#include "host/entry.h"
#include "runtime/connectivity.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

namespace {

std::string g_tokenBuffer;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

size_t Runner_ReadToken(size_t position, const char* text) {
  bool found = false;
  position = CommandTokens_Scan(position, text, &g_tokenBuffer, &found);
  if (found) Runner_AddParameter(g_tokenBuffer);
  return position;
}

const char* Runner_LastToken() { return g_tokenBuffer.c_str(); }

bool Runner_CommandLineHasToken(const char* text, const char* token) {
  if (text == nullptr) return false;
  std::string scratch;
  size_t position = 0;
  for (;;) {
    bool found = false;
    position = CommandTokens_Scan(position, text, &scratch, &found);
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
  Runner_ClearParameters();

  size_t position = 0;
  // An option's argument is the next token; a missing one reads as empty.
  auto nextArgument = [&]() -> std::string {
    position = Runner_ReadToken(position, text);
    return g_tokenBuffer;
  };

  for (;;) {
    size_t before = static_cast<size_t>(Runner_ParameterCount());
    position = Runner_ReadToken(position, text);
    if (static_cast<size_t>(Runner_ParameterCount()) == before) break;
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
    if (c == '"' || CommandTokens_IsSeparator(static_cast<unsigned char>(c))) quote = true;
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
