#include "host/game_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/run_switches.h"
#include "host/entry.h"
#include "platform/window/file_dialog.h"
#include "world/lifecycle.h"

// The least loader that lets a pass run: it finds and reads the file and checks the container's
// framing ("FORM" and the size word); the chunks themselves are not loaded yet.
namespace {

GameHeaderInfo g_header;
std::vector<uint8_t> g_container;
bool g_haveContainer = false;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  bytes->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool FramingIsSound(const uint8_t* container, size_t size) {
  return container != nullptr && size >= 8 && std::memcmp(container, "FORM", 4) == 0 &&
         ReadU32(container + 4) == size - 8;
}

// The game cannot run: a launched game returns to the one that launched it, anything else ends.
void NoGame() {
  if (g_Host.subGame) {
    F_GameEnd();
    return;
  }
  std::exit(1);
}

}  // namespace

const GameHeaderInfo& Game_Header() { return g_header; }
const uint8_t* Game_Container() { return g_haveContainer ? g_container.data() : nullptr; }
size_t Game_ContainerSize() { return g_haveContainer ? g_container.size() : 0; }

char* Win32_ChooseGameFile() {
  if (g_IsHeadless) return nullptr;
  std::string path;
  if (!FileDialog_Open("Open", "All Files (*.*)", "*", &path)) return nullptr;
  return Host_DupText(path.c_str());
}

bool RunnerLoadGame() {
  Console_DebugOutput("RunnerLoadGame: %s\n", g_pGameFilePath != nullptr ? g_pGameFilePath : "(null)");
  g_haveContainer = false;
  g_container.clear();

  if (g_pGameFilePath == nullptr || g_pGameFilePath[0] == '\0') {
    char* chosen = Win32_ChooseGameFile();
    if (chosen == nullptr) {
      Console_DebugOutput("RunnerLoadGame: no game file was given\n");
      NoGame();
      return false;
    }
    Host_ReplaceText(&g_pGameFilePath, chosen);
    Host_FreeText(&chosen);
    Console_DebugOutput("RunnerLoadGame() - %s\n", g_pGameFilePath);
  }

  Console_DebugOutput("Reading File %s\n", g_pGameFilePath);
  if (ReadWholeFile(g_pGameFilePath, &g_container)) {
    Console_DebugOutput("Loaded File %s(%d)\n", g_pGameFilePath, static_cast<int>(g_container.size()));
    g_haveContainer = true;
  } else {
    Console_DebugOutput("FAILED to load File %s\n", g_pGameFilePath);
  }

  if (!g_haveContainer) {
    // Until the error reporter and its message box exist, the message goes to the log.
    Console_DebugOutput("Unable to find game!!: %.1000s\n", g_pGameFilePath);
    NoGame();
    return false;
  }
  if (g_container.size() >= 4 &&
      (std::memcmp(g_container.data(), "FORM", 4) == 0 || std::memcmp(g_container.data(), "MROF", 4) == 0)) {
    Console_DebugOutput("IFF wad found\n");
  }
  return false;
}

void Game_ScanHeader(const uint8_t*, size_t) { g_header = GameHeaderInfo(); }

bool LoadGameData() {
  Console_DebugOutput("LoadGameData()\n");
  return FramingIsSound(Game_Container(), Game_ContainerSize());
}

void Runner_FreeGameData() {
  g_haveContainer = false;
  g_container.clear();
  g_container.shrink_to_fit();
}
