#include "host/game_loader.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "assets/font.h"
#include "assets/background.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"
#include "audio/load_stand_in.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "vm/script_table.h"
#include "vm/variable_names.h"
#include "core/run_switches.h"
#include "functions/audio_functions.h"
#include "functions/game_functions.h"
#include "io/ini_file.h"
#include "functions/load_stand_in.h"
#include "functions/math_functions.h"
#include "functions/vertex_functions.h"
#include "host/entry.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "runtime/game_header.h"
#include "functions/gamepad_functions.h"
#include "io/program.h"
#include "runtime/link_record.h"
#include "io/options_file.h"
#include "host/ini_defaults.h"
#include "net/load_stand_in.h"
#include "physics/load_stand_in.h"
#include "platform/window/file_dialog.h"
#include "platform/window/message_box.h"
#include "io/display.h"
#include "render/load_stand_in.h"
#include "render/vertex_format.h"
#include "script/load_stand_in.h"
#include "script/wx_object.h"
#include "vm/chunk_loaders.h"
#include "world/lifecycle.h"
#include "world/path.h"
#include "world/timeline.h"
#include "world/object.h"
#include "world/room_table.h"
#include "platform/system/terminal_text.h"

namespace {

std::vector<uint8_t> g_containerBytes;
std::unique_ptr<GameLinkRecord> g_linkRecord;
ChunkLoaderObserver g_observer = nullptr;
LinkRecordProvider g_linkProvider = nullptr;

// The game cannot run: a launched game returns to the one that launched it; anything else stops
// the start-up and ends through the usual teardown (which removes the temporary directory and
// frees what start-up made) with exit code 1.
void NoGame() {
  if (g_Host.subGame) {
    F_GameEnd();
    return;
  }
  g_Host.exitCode = 1;
}

void ShowLoadFailure(const char* detail) {
  char text[1200];
  std::snprintf(text, sizeof text, "The game data in %.600s cannot be loaded: %.500s",
                g_pGameFilePath != nullptr ? g_pGameFilePath : "(no file)", detail);
  Console_DebugOutput("%s\n", text);
  MessageBox_ShowFatal("Tolvarine", text);
}

void ForgetContainer() {
  g_containerBytes.clear();
  g_containerBytes.shrink_to_fit();
  Game_MutableData().container = ContainerBytes();
}

// TPAG: the entries are kept for the TXTR step, which rewrites their page indexes.
bool KeepTexturePageEntries(uint8_t* body, uint32_t size, const ContainerBytes&) {
  uint32_t count = 0;
  if (!Container_ReadCount("TPAG", body, size, 0, 4, &count)) return false;
  Game_MutableData().texturePageEntries = body;
  Game_MutableData().texturePageEntriesSize = size;
  return true;
}

bool AudioWavsOfDefaultGroup(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  return Audio_WAVs(body, size, container, 0);
}

// A tag and the loader it goes to; audio chunks go elsewhere with the legacy sound system.
// The header, then what it sets up in the rooms (the id counters also when the room order is
// damaged) and the script objects.
bool LoadHeader(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  const bool read = Game_LoadHeader(body, size, container);
  Room_SetInstanceIdCounter(g_GameHeader.lastInstanceId);
  Room_SetTileIdCounter(g_GameHeader.lastTileId);
  if (!read) return false;
  Room_LoadOrder(g_GameHeader.roomOrder);
  if (g_GameHeader.scriptObjectMode) JS_InitStandardObjects();
  return true;
}

struct ChunkRoute {
  const char* tag;
  const char* name;  // null: the chunk is passed over
  ChunkLoader load;
  bool audio = false;
  const char* legacyName = nullptr;  // with `audio`: null passes the chunk over
  ChunkLoader legacyLoad = nullptr;
};

const ChunkRoute kRoutes[] = {
    {"GEN8", "Game_LoadHeader", LoadHeader},
    {"GEN7", "Game_LoadHeader", LoadHeader},
    {"GENL", "Game_LoadHeader", LoadHeader},
    {"OPTN", "Options_Load", Options_Load},
    {"EXTN", "Extension_Load", Extension_Load},
    {"SOND", "Audio_Load", Audio_Load, true, "Sound_Init", Sound_Init},
    {"AUDO", "Audio_WAVs", AudioWavsOfDefaultGroup, true, "Wave_Init", Wave_Init},
    {"AGRP", "AudioGroup_Load", AudioGroup_Load, true, nullptr, nullptr},
    {"SPRT", "Sprite_Load", Sprite_Load},
    {"BGND", "Background_Load", Background_Load},
    {"FONT", "Font_Load", Font_Load},
    {"TXTR", "Game_LoadTextures", Game_LoadTextures},
    {"TPAG", "texture page entries kept", KeepTexturePageEntries},
    {"PATH", "Path_Load", Path_Load},
    {"TMLN", "TimeLine_Load", TimeLine_Load},
    {"OBJT", "Object_Load", Object_Load},
    {"ROOM", "Room_Load", Room_Load},
    {"SCPT", "Script_Load", Script_Load},
    {"SHDR", "Shader_Load", Shader_Load},
    {"CODE", "Code_PrepareBytecode", Code_PrepareBytecode},
    {"FUNC", "FUNC_Load", FUNC_Load},
    {"STRG", nullptr, nullptr},
    {"VARI", nullptr, nullptr},
    {"DAFL", nullptr, nullptr},
    {"HELP", nullptr, nullptr},
    {"STAT", nullptr, nullptr},
};

const ChunkRoute* FindRoute(const char* tag) {
  for (const ChunkRoute& route : kRoutes) {
    if (std::memcmp(route.tag, tag, 4) == 0) return &route;
  }
  return nullptr;
}

// Every global of the run lives in the global object, one slot per global name: the VARI chunk
// (read by the pre-scan) counts the names of byte code, a translated game's link record its own.
// It is made once per pass and outlives the loaded chunks; the run's teardown frees it.
void CreateGlobalObject(const GameLinkRecord* record) {
  if (g_pGlobalObject != nullptr) return;
  if (record != nullptr) Variable_SetSlotCounts(record->globalCount, record->instanceCount);
  const int32_t slots = std::max(Variable_GlobalNameCount(), Variable_InstanceNameCount());
  g_pGlobalObject = WXObject_Alloc(slots, static_cast<int32_t>(VALUE_UNSET));
}

bool IsHeaderTag(const char* tag) {
  return std::strcmp(tag, "GEN8") == 0 || std::strcmp(tag, "GEN7") == 0 || std::strcmp(tag, "GENL") == 0;
}

}  // namespace

std::string Game_OptionsFilePath(const std::string& gamePath) {
  size_t separator = gamePath.rfind('/');
  if (separator == std::string::npos) separator = gamePath.rfind('\\');
  if (separator == std::string::npos) return std::string();
  return gamePath.substr(0, separator) + "/options.ini";
}

std::string Game_DebugFilePath(const std::string& gamePath) {
  // Only a dot in the file's own name starts its extension, not one in a directory name.
  const size_t separator = gamePath.find_last_of("/\\");
  const size_t dot = gamePath.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return std::string();
  return gamePath.substr(0, dot) + ".wxdebug";
}

namespace {

void ReadOptionsFile() {
  Game_MutableData().optionsFilePath = Game_OptionsFilePath(g_pGameFilePath);
  if (Game_MutableData().optionsFilePath.empty()) return;
  Console_DebugOutput("Checking if INIFile %s Exists\n", Game_MutableData().optionsFilePath.c_str());
  if (!LoadSave_FileExists(Game_MutableData().optionsFilePath.c_str())) {
    Console_DebugOutput("!!!!No INI File %s\n", Game_MutableData().optionsFilePath.c_str());
    return;
  }
  IniFile ini(Game_MutableData().optionsFilePath.c_str(), true);
  IO_LoadVirtualButtons(&ini);
  Sound_OnOptionsLoaded(&ini);
  Runner_ReadIniDefaults(&ini);
}

// False when the debug file is there but damaged.
bool ReadDebugFile() {
  Game_MutableData().debugFilePath = Game_DebugFilePath(g_pGameFilePath);
  if (Game_MutableData().debugFilePath.empty() || !LoadSave_ProgramFileExists(Game_MutableData().debugFilePath.c_str())) return true;
  std::vector<uint8_t> bytes;
  if (!LoadSave_ReadProgramFile(Game_MutableData().debugFilePath.c_str(), &bytes)) return true;
  return Game_LoadDebugFile(std::move(bytes));
}

}  // namespace

void Game_SetLinkRecordProvider(LinkRecordProvider provider) { g_linkProvider = provider; }

GameLinkRecord* Game_LinkRecord() { return Game_MutableData().linkRecord; }

void Game_UseLinkRecord(GameLinkRecord* record) {
  Game_MutableData().linkRecord = record;
  Game_MutableData().codeEntryCount = record != nullptr ? record->functionCount : 0;
}

void Game_BindLinkRecord(const GameLinkRecord* record) {
  if (record == nullptr) return;
  if (record->variables != nullptr) {
    for (LinkName** link = record->variables; *link != nullptr; ++link) {
      (*link)->slot = Variable_FindOrAdd((*link)->name);
    }
  }
  if (record->builtins != nullptr) {
    for (LinkName** link = record->builtins; *link != nullptr; ++link) {
      // An unknown name keeps -1; calling through it is refused at the call.
      if (!Builtin_FindCallable((*link)->name, &(*link)->slot)) {
        Console_DebugOutput("Link record: no function is named %s\n", (*link)->name != nullptr ? (*link)->name : "(null)");
      }
    }
  }
}

GameLinkRecord* Game_FillLinkRecord(GameLinkRecord* record) {
  if (g_linkProvider != nullptr) g_linkProvider(record);
  return record;
}

uint8_t* Game_Container() { return Game_MutableData().container.data; }
size_t Game_ContainerSize() { return Game_MutableData().container.size; }
void Game_SetChunkLoaderObserver(ChunkLoaderObserver observer) { g_observer = observer; }

char* Win32_ChooseGameFile() {
  if (g_IsHeadless) return nullptr;
  std::string path;
  if (!FileDialog_Open("Open", "All Files (*.*)", "*", &path)) return nullptr;
  return Host_DupText(path.c_str());
}

namespace {

// The game's file: the program itself for a built-in game, else the named file (in the program's
// folder, or else in the save area), else the one the user picks. Empty when there is none.
std::string ChooseGamePath(bool builtIn) {
  if (builtIn) return Win32_GetExePath();
  if (g_pGameFilePath != nullptr && g_pGameFilePath[0] != '\0') {
    Variable_SetWorkingDirectory();
    if (LoadSave_ProgramFileExists(g_pGameFilePath)) return LoadSave_MapReadPath(g_pGameFilePath);
    LoadSave_SetReadFromProgramDirectory(false);
    // Before the game is read it has no name, so there is no save area to look in yet; the path
    // then names the file as given, in the messages that follow too.
    std::string mapped;
    if (Win32_GetSaveDirectory()[0] != '\0') mapped = LoadSave_MapSavePath(g_pGameFilePath);
    return mapped.empty() ? Win32_GetFullPath(g_pGameFilePath) : mapped;
  }
  char* picked = Win32_ChooseGameFile();
  if (picked == nullptr) return std::string();
  std::string chosen = picked;
  Host_FreeText(&picked);
  return chosen;
}

// The container's bytes, into g_containerBytes: a fresh copy of the built-in one (loading
// rewrites parts of it), else the file's.
bool ReadContainer(bool builtIn) {
  Console_DebugOutput("Reading File %s\n", g_pGameFilePath);
  if (builtIn) {
    g_containerBytes.assign(g_linkRecord->data, g_linkRecord->data + g_linkRecord->dataSize);
    return true;
  }
  bool read = false;
  if (LoadSave_ReadFromProgramDirectory()) {
    read = LoadSave_ReadProgramFile(g_pGameFilePath, &g_containerBytes);
  } else if (Win32_GetSaveDirectory()[0] != '\0') {
    read = LoadSave_ReadSaveFile(g_pGameFilePath, &g_containerBytes);
  }
  if (read) {
    Console_DebugOutput("Loaded File %s(%d)\n", g_pGameFilePath, static_cast<int>(g_containerBytes.size()));
  } else {
    Console_DebugOutput("FAILED to load File %s\n", g_pGameFilePath);
  }
  return read;
}

void ReportMissingGame() {
  char text[1024];
  std::snprintf(text, sizeof text, "Unable to find game!!: %s", g_pGameFilePath);
  Console_DebugOutput("%s\n", text);
  MessageBox_ShowFatal("Tolvarine", text);
  ForgetContainer();
  NoGame();
}

}  // namespace

bool RunnerLoadGame() {
  Console_DebugOutput("RunnerLoadGame: %s\n", g_pGameFilePath != nullptr ? g_pGameFilePath : "(null)");
  ForgetContainer();
  Game_ClearLoadFailure();
  LoadSave_SetReadFromProgramDirectory(true);

  g_linkRecord = std::make_unique<GameLinkRecord>();
  Game_MutableData().linkRecord = Game_FillLinkRecord(g_linkRecord.get());
  Game_MutableData().codeEntryCount = g_linkRecord->functionCount;
  const bool builtIn = g_linkRecord->data != nullptr;

  const std::string chosen = ChooseGamePath(builtIn);
  if (chosen.empty()) {
    Console_DebugOutput("RunnerLoadGame: no game file was given; name one with -game\n");
    NoGame();
    return false;
  }
  if (!builtIn) Console_DebugOutput("RunnerLoadGame() - %s\n", chosen.c_str());
  Host_ReplaceText(&g_pGameFilePath, chosen.c_str());
  Win32_ForgetProgramDirectory();
  Variable_SetWorkingDirectory();

  ReadOptionsFile();
  if (!ReadDebugFile()) {
    ShowLoadFailure(Game_LoadFailure());
    NoGame();
    return false;
  }

  if (!ReadContainer(builtIn)) {
    ReportMissingGame();
    return false;
  }
  // An empty file is a container too (a damaged one): its pointer must not read as "none".
  static uint8_t emptyContainer[1];
  Game_MutableData().container = {g_containerBytes.empty() ? emptyContainer : g_containerBytes.data(), g_containerBytes.size()};
  if (g_containerBytes.size() >= 4 && (std::memcmp(g_containerBytes.data(), "FORM", 4) == 0 ||
                                       std::memcmp(g_containerBytes.data(), "MROF", 4) == 0)) {
    Console_DebugOutput("IFF wad found\n");
  }
  if (Game_MutableData().firstGamePath.empty()) Game_MutableData().firstGamePath = g_pGameFilePath;
  return false;
}

bool Game_ScanHeaderChunks(const ContainerBytes& container) {
  Game_ClearLoadFailure();
  std::string error;
  if (!Container_CheckFraming(container, "container", &error)) {
    Game_FailLoad(nullptr, "%s", error.c_str());
    return false;
  }
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    // An empty header chunk still makes a game: one of defaults.
    if (IsHeaderTag(chunk.tag)) Game_MutableData().haveHeader = true;
    if (chunk.size == 0) continue;
    if (IsHeaderTag(chunk.tag)) {
      Console_DebugOutput("Get Header Information\n");
      if (!Game_ScanHeaderChunk(chunk.tag, chunk.body, chunk.size, container)) return false;
      Console_DebugOutput("InitTLLFunctions\n");
      InitTLLFunctions();
    } else if (std::strcmp(chunk.tag, "CODE") == 0) {
      Console_DebugOutput("Code_Load()\n");
      Game_MutableData().haveCode = true;
      if (!Container_ReadCount("CODE", chunk.body, chunk.size, 0, 4, &Game_MutableData().codeCount)) return false;
      Game_MutableData().codeEntries = chunk.body + 4;
    } else if (std::strcmp(chunk.tag, "STRG") == 0) {
      Console_DebugOutput("ID_STRG\n");
      if (!Container_ReadCount("STRG", chunk.body, chunk.size, 0, 4, &Game_MutableData().stringCount)) return false;
      Game_MutableData().strings = chunk.body + 4;
    } else if (std::strcmp(chunk.tag, "VARI") == 0) {
      Console_DebugOutput("VARI_Load()\n");
      VARI_Load(chunk.body, chunk.size, container);
      if (Game_LoadFailed()) return false;
      Game_MutableData().variBody = chunk.body;
      Game_MutableData().variWords = chunk.size / 4;
    }
  }
  return true;
}

void Game_ScanHeader(uint8_t* container, size_t size) {
  // Without a container (a launched game that found none) there is nothing to scan.
  if (container == nullptr) return;
  // A game runs from its header (first room, speed, name): a container without one is refused
  // here, though tools and tests may scan parts of a container.
  const bool scanned = Game_ScanHeaderChunks({container, size});
  if (scanned && !Game_Data().haveHeader) Game_FailLoad(nullptr, "no game header");
  if (!scanned || !Game_Data().haveHeader) {
    ShowLoadFailure(Game_LoadFailure());
    ForgetContainer();
    NoGame();
  }
}

void InitTLLFunctions() {
  struct Group {
    const char* marker;
    void (*run)();
  };
  static constexpr Group kGroups[] = {
      {"HighScore..", Score_Load},
      {"Game..", InitGameFunctions},
      {"Math..", InitMathFunctions},
      {"Graphic..", InitGraphicFunctions},
      {"Action..", InitActionFunctions},
      {"File..", InitFileFunctions},
      {"Resource..", InitResourceFunctions},
      {"Interaction..", InitInteractionFunctions},
      {"3D..", Init3DFunctions},
      {"Particle..", InitParticleFunctions},
      {"Misc..", InitMiscFunctions},
      {"DS..", InitDSFunctions},
      {"Sound..", InitSoundFunctions},
      {"Physics..", InitPhysicsFunctions},
      {"Gamepad..", InitGamepadFunctions},
      {"Buffers..",
       [] {
         InitBufferFunctions();
         InitVertexBuilderFunctions();
       }},
      {"Networking..", InitNetworkingFunctions},
      {"Shaders..",
       [] {
         InitShaderFunctions();
         InitVertexFormatFunctions();
         InitSteamFunctions();
         InitPushFunctions();
       }},
      {"Wexa..",
       [] {
         InitWexaFunctions();
         InitWin8Functions();
       }},
  };
  for (const Group& group : kGroups) {
    Console_DebugOutput("%s", group.marker);
    group.run();
  }
  Console_DebugOutput("Fini\n");
}

bool LoadGameData() {
  Console_DebugOutput("LoadGameData()\n");
  return Game_LoadChunks(Game_Container(), Game_ContainerSize());
}

bool Game_LoadChunks(uint8_t* data, size_t size) {
  Console_DebugOutput("initialise everything!\n");
  Sound_DeleteAll();
  Sprite_Init();
  Background_Init();
  Path_Init();
  Script_Init();
  Font_Init();
  TimeLine_Init();
  Object_Init();
  Room_Init();
  // A new game's rooms start without the GUI size an earlier game set.
  Display_GuiSize = DisplayExtent{-1, -1};
  Options_Reset();
  Game_MutableData().texturePageEntries = nullptr;
  Game_MutableData().texturePageEntriesSize = 0;
  Game_MutableData().textureSlots.clear();
  Game_ClearLoadFailure();
  CreateGlobalObject(Game_MutableData().linkRecord);

  const ContainerBytes container{data, size};
  std::string error;
  if (data == nullptr) {
    Console_DebugOutput("No game data to load\n");
    return false;
  }
  if (!Container_CheckFraming(container, "container", &error)) {
    ShowLoadFailure(error.c_str());
    return false;
  }

  bool result = true;
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    Console_DebugOutput("Process Chunk: %s   %d\n", chunk.tag, static_cast<int>(chunk.size));
    if (chunk.size == 0) continue;
    const ChunkRoute* route = FindRoute(chunk.tag);
    if (route == nullptr) {
      Console_DebugOutput("unknown Chunk %s:%d\n", chunk.tag, static_cast<int>(chunk.size));
      if (g_IsHeadless) {
        Terminal_Write(stderr, std::string("Tolvarine: the game data cannot be loaded: unknown chunk ") + chunk.tag + "\n");
      }
      result = false;
      continue;
    }
    const bool legacy = route->audio && !g_GameOptions.newAudioEngine;
    const char* name = legacy ? route->legacyName : route->name;
    const ChunkLoader load = legacy ? route->legacyLoad : route->load;
    if (load == nullptr) continue;
    if (g_observer != nullptr) g_observer(chunk.tag, name);
    load(chunk.body, chunk.size, container);
    if (Game_LoadFailed()) {
      ShowLoadFailure(Game_LoadFailure());
      return false;
    }
  }

  if (g_GameHeader.scriptObjectMode) JS_CreateResourceObject();
  Game_BindLinkRecord(Game_MutableData().linkRecord);
  return result;
}

bool Game_LoadTextures(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("TXTR", body, size, 0, 4, &count)) return false;
  std::vector<int32_t>& slots = Game_MutableData().textureSlots;
  slots.assign(count, -1);
  // Records that name one image share its slot, so the image is decoded once.
  std::unordered_map<uint32_t, int32_t> decoded;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t record = Container_U32(body + 4 + 4 * i);
    uint8_t* image = nullptr;
    size_t length = 0;
    int32_t flags = 0;
    uint32_t at = 0;
    if (record != 0) {
      if (!container.Has(record, 8)) {
        Game_FailLoad("TXTR", "page %u's record at container offset %u lies outside the container", i, record);
        return false;
      }
      flags = static_cast<int32_t>(Container_U32(container.data + record) & 1);
      at = Container_U32(container.data + record + 4);
      if (at != 0) {
        if (at >= container.size) {
          Game_FailLoad("TXTR", "page %u's image at container offset %u lies outside the container", i, at);
          return false;
        }
        image = container.data + at;
        // Image decoders stop at the image's end; they may read up to the container's.
        length = container.size - at;
      }
    }
    const auto shared = image != nullptr ? decoded.find(at) : decoded.end();
    if (shared != decoded.end()) {
      slots[i] = shared->second;
      continue;
    }
    slots[i] = GR_Texture_Load(image, length, flags);
    if (image != nullptr && !GR_Texture_PageDecoded(slots[i])) {
      Game_FailLoad("TXTR", "page %u's image at container offset %u does not decode", i, at);
      return false;
    }
    if (image != nullptr) decoded.emplace(at, slots[i]);
  }

  uint8_t* entries = Game_MutableData().texturePageEntries;
  if (entries == nullptr) return true;
  const uint32_t entryCount = Container_U32(entries);
  for (uint32_t e = 0; e < entryCount; ++e) {
    const uint32_t at = Container_U32(entries + 4 + 4 * e);
    if (at == 0) continue;
    if (!container.Has(at, 22)) {
      Game_FailLoad("TPAG", "entry %u at container offset %u lies outside the container", e, at);
      return false;
    }
    uint8_t* page = container.data + at + 20;
    const int16_t index = static_cast<int16_t>(Container_U16(page));
    if (index < 0 || static_cast<uint32_t>(index) >= count) {
      Game_FailLoad("TPAG", "entry %u names page %d of %u", e, index, count);
      return false;
    }
    Container_PutI16(page, static_cast<int16_t>(slots[static_cast<size_t>(index)]));
  }
  return true;
}

bool Game_LoadDebugFile(std::vector<uint8_t> bytes) {
  GameData& d = Game_MutableData();
  d.debugBytes = std::move(bytes);
  d.debugInfo = d.scriptTexts = d.instanceNames = nullptr;
  d.debugInfoSize = d.scriptTextsSize = d.instanceNameCount = 0;
  const ContainerBytes file{d.debugBytes.data(), d.debugBytes.size()};
  std::string error;
  if (!Container_CheckFraming(file, "debug file", &error)) {
    Game_FailLoad(nullptr, "%s %s", d.debugFilePath.c_str(), error.c_str());
    return false;
  }
  ContainerChunks chunks(file);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    Console_DebugOutput("Process Chunk: %s   %d\n", chunk.tag, static_cast<int>(chunk.size));
    if (chunk.size == 0) continue;
    const bool isDebugInfo = std::strcmp(chunk.tag, "DBGI") == 0;
    if (isDebugInfo || std::strcmp(chunk.tag, "SCPT") == 0) {
      if (chunk.size < 4) {
        Game_FailLoad(chunk.tag, "the debug file's table of %u bytes has no leading word", chunk.size);
        return false;
      }
      (isDebugInfo ? d.debugInfo : d.scriptTexts) = chunk.body + 4;
      (isDebugInfo ? d.debugInfoSize : d.scriptTextsSize) = chunk.size - 4;
    } else if (std::strcmp(chunk.tag, "INST") == 0) {
      if (!Container_ReadCount("INST", chunk.body, chunk.size, 0, 4, &d.instanceNameCount)) return false;
      d.instanceNames = chunk.body + 4;
    }
  }
  return true;
}

void Runner_FreeGameData() {
  Path_DeleteAll();
  TimeLine_DeleteAll();
  ForgetContainer();
  g_linkRecord.reset();
  std::string firstGamePath = std::move(Game_MutableData().firstGamePath);
  Game_MutableData() = GameData();
  Game_MutableData().firstGamePath = std::move(firstGamePath);
  GameHeader_Reset();
}
