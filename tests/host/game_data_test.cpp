// Loading the game data container in-process: chunk routing, the texture-page rewrite, the
// header and options of every layout, damaged containers, the built-in container and the debug
// file beside the game.
#include "host/game_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/background.h"
#include "assets/texture_pages.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "container/bytecode_asm.h"
#include "container/gen8.h"
#include "container/minimal.h"
#include "container/optn.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "runtime/game_flags.h"
#include "runtime/game_header.h"
#include "io/program.h"
#include "host/host_test_support.h"
#include "runtime/link_record.h"
#include "script/wx_object.h"
#include "vm/code_object.h"
#include "vm/interpreter.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/path.h"
#include "world/room_table.h"
#include "world/timeline.h"

namespace {

using container::BuildResult;
using container::ContainerWriter;

std::vector<std::pair<std::string, std::string>> g_routed;
void RecordRoute(const char* tag, const char* loader) { g_routed.emplace_back(tag, loader); }

std::vector<uint8_t> Build(ContainerWriter& writer) {
  const BuildResult built = writer.build();
  EXPECT_TRUE(built.ok()) << built.error;
  return built.bytes;
}

class GameDataTest : public testing::Test {
 protected:
  void SetUp() override {
    g_routed.clear();
    Game_SetChunkLoaderObserver(RecordRoute);
    g_RunnerOptions = RunnerOptions();
    g_GameOptions = GameOptions();
    GameHeader_Reset();
  }
  void TearDown() override {
    Game_SetChunkLoaderObserver(nullptr);
    Game_SetLinkRecordProvider(nullptr);
    Runner_FreeGameData();
    g_RunnerOptions = RunnerOptions();
  }

  // Scans and loads `bytes` as the start-up does; the bytes stay alive in the fixture.
  bool ScanAndLoad(std::vector<uint8_t> bytes) {
    m_bytes = std::move(bytes);
    const ContainerBytes container{m_bytes.data(), m_bytes.size()};
    if (!Game_ScanHeaderChunks(container)) return false;
    return Game_LoadChunks(m_bytes.data(), m_bytes.size());
  }

  std::vector<uint8_t> m_bytes;
};

// Every known tag reaches its loader in file order, with the audio chunks going to the engine
// the options choose; zero-size chunks and the tags that need no loader are passed over.
TEST_F(GameDataTest, ChunksAreRoutedToTheirLoadersInFileOrder) {
  for (const bool newAudio : {true, false}) {
    SCOPED_TRACE(newAudio ? "new audio engine" : "legacy sound");
    g_routed.clear();
    ContainerWriter writer;
    container::Gen8Header header;
    header.tag = "GEN7";
    container::write_gen8(writer, header);
    container::OptnNewLayout options;
    if (newAudio) options.flags |= container::optn_new::kNewAudioEngine;
    container::write_optn(writer, options);
    for (const char* tag : {"EXTN", "SOND", "AGRP", "SPRT", "BGND", "PATH", "SCPT", "SHDR", "FONT", "TMLN", "OBJT",
                            "ROOM", "DAFL", "HELP", "STAT", "TPAG", "FUNC", "VARI", "TXTR", "AUDO"}) {
      writer.add_chunk(tag).u32(0);
    }
    for (const char* tag : {"CODE", "VARI", "FUNC", "SPRT"}) writer.add_chunk(tag);  // empty bodies
    header.tag = "GENL";
    container::write_gen8(writer, header);
    ASSERT_TRUE(ScanAndLoad(Build(writer)));

    std::vector<std::pair<std::string, std::string>> expected = {
        {"GEN7", "Game_LoadHeader"},   {"OPTN", "Options_Load"},  {"EXTN", "Extension_Load"},
        {"SOND", newAudio ? "Audio_Load" : "Sound_Init"},
    };
    if (newAudio) expected.push_back({"AGRP", "AudioGroup_Load"});
    const std::vector<std::pair<std::string, std::string>> rest = {
        {"SPRT", "Sprite_Load"},       {"BGND", "Background_Load"}, {"PATH", "Path_Load"},
        {"SCPT", "Script_Load"},       {"SHDR", "Shader_Load"},     {"FONT", "Font_Load"},
        {"TMLN", "TimeLine_Load"},     {"OBJT", "Object_Load"},     {"ROOM", "Room_Load"},
        {"TPAG", "texture page entries kept"},                      {"FUNC", "FUNC_Load"},
        {"TXTR", "Game_LoadTextures"}, {"AUDO", newAudio ? "Audio_WAVs" : "Wave_Init"},
        {"GENL", "Game_LoadHeader"},
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(g_routed, expected);
  }
}

TEST_F(GameDataTest, UnknownTagFailsTheLoadAfterEveryChunkWasRead) {
  ContainerWriter writer;
  container::add_minimal_game(writer);
  writer.options().unknown_chunk_at = 3;
  testing::internal::CaptureStdout();
  const bool loaded = ScanAndLoad(Build(writer));
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(loaded);
  EXPECT_NE(log.find("Process Chunk: JUNK   4\nunknown Chunk JUNK:4\n"), std::string::npos) << log;
  // The chunks after the unknown one were still loaded.
  ASSERT_FALSE(g_routed.empty());
  EXPECT_EQ(g_routed.back(), std::make_pair(std::string("AUDO"), std::string("Wave_Init")));
  EXPECT_FALSE(Game_LoadFailed());  // not damage: nothing to report beyond the log
}

TEST_F(GameDataTest, TexturePagesBecomeSlotsAndEntriesPointAtTheirPagesSlot) {
  GR_Texture_FreeAll();  // what earlier loads left
  // Slots made before the load (a white slot, a surface...) push the pages' slots up.
  for (int i = 0; i < 3; ++i) GR_Texture_Load(nullptr, 0, 0);
  ContainerWriter writer;
  container::write_gen8(writer, {});
  const container::TexturePageEntry entries[] = {{.page = 1}, {.page = 0}, {.page = 1}};
  container::write_tpag(writer, entries);
  const std::vector<uint8_t> png(container::tiny_png().begin(), container::tiny_png().end());
  const container::TexturePage pages[] = {{0, png}, {1, {}}};
  container::write_txtr(writer, pages);
  ASSERT_TRUE(ScanAndLoad(Build(writer))) << Game_LoadFailure();

  EXPECT_EQ(Game_Data().textureSlots, (std::vector<int32_t>{3, 4}));
  const uint8_t* tpag = Game_Data().texturePageEntries;
  ASSERT_NE(tpag, nullptr);
  std::vector<int16_t> pageFields;
  for (uint32_t i = 0; i < Container_U32(tpag); ++i) {
    pageFields.push_back(static_cast<int16_t>(Container_U16(m_bytes.data() + Container_U32(tpag + 4 + 4 * i) + 20)));
  }
  EXPECT_EQ(pageFields, (std::vector<int16_t>{4, 3, 4}));
}

// An entry naming a page the container does not have would draw from whatever slot its number
// happens to be: the load is refused, naming the chunk and the entry.
TEST_F(GameDataTest, EntriesNamingMissingPagesFailTheLoad) {
  for (const int16_t page : {int16_t{-1}, int16_t{2}, int16_t{32767}}) {
    SCOPED_TRACE(page);
    Game_ClearLoadFailure();
    ContainerWriter writer;
    container::write_gen8(writer, {});
    const container::TexturePageEntry entries[] = {{.page = 0}, {.page = page}};
    container::write_tpag(writer, entries);
    const std::vector<uint8_t> png(container::tiny_png().begin(), container::tiny_png().end());
    const container::TexturePage pages[] = {{0, png}, {0, png}};
    container::write_txtr(writer, pages);
    EXPECT_FALSE(ScanAndLoad(Build(writer)));
    EXPECT_EQ(std::string(Game_LoadFailure()),
              "chunk TPAG: entry 1 names page " + std::to_string(page) + " of 2");
  }
  GR_Texture_FreeAll();
}

// Pages whose records name one image share one slot: the image is decoded once.
TEST_F(GameDataTest, PagesSharingAnImageShareItsSlot) {
  ContainerWriter writer;
  container::write_gen8(writer, {});
  const container::TexturePageEntry entries[] = {{.page = 0}, {.page = 1}, {.page = 2}};
  container::write_tpag(writer, entries);
  const std::vector<uint8_t> png(container::tiny_png().begin(), container::tiny_png().end());
  const container::TexturePage pages[] = {{0, png}, {0, png}, {0, png}};
  container::write_txtr(writer, pages);
  std::vector<uint8_t> bytes = Build(writer);
  // Page 2's record is pointed at page 0's image.
  const std::string tag = "TXTR";
  const auto found = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
  ASSERT_NE(found, bytes.end());
  const uint8_t* body = &*found + 8;
  const uint32_t record0 = Container_U32(body + 4);
  const uint32_t record2 = Container_U32(body + 12);
  std::memcpy(bytes.data() + record2 + 4, bytes.data() + record0 + 4, 4);
  const size_t slotsBefore = static_cast<size_t>(GR_Texture_Count());
  ASSERT_TRUE(ScanAndLoad(bytes)) << Game_LoadFailure();
  const std::vector<int32_t>& slots = Game_Data().textureSlots;
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots[2], slots[0]);
  EXPECT_NE(slots[1], slots[0]);
  EXPECT_EQ(static_cast<size_t>(GR_Texture_Count()), slotsBefore + 2) << "two images, two slots";
  GR_Texture_FreeAll();
}

TEST_F(GameDataTest, HeaderOfEveryFormatVersion) {
  const struct {
    uint8_t version;
    int32_t width;     // what the header yields
    bool polling;      // gamepad polling from the information flags
  } cases[] = {{7, 0, true},  {8, 800, true},  {9, 800, true},  {10, 800, true},  {11, 800, true},
               {12, 800, false}, {13, 800, false}, {14, 800, false}, {15, 800, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    GameHeader_Reset();
    ContainerWriter writer;
    container::Gen8Header header;
    header.format_version = c.version;
    header.window_width = 800;
    header.window_height = 600;
    header.info_flags = 0;
    header.word104 = 0x1122334455667788ull;
    header.room_order = {2, 0, 1};
    header.game_name = "Wires";
    container::write_gen8(writer, header);
    ASSERT_TRUE(ScanAndLoad(Build(writer))) << Game_LoadFailure();
    const GameHeader& h = g_GameHeader;
    EXPECT_EQ(h.formatVersion, c.version);
    EXPECT_EQ(h.windowWidth, c.width);
    EXPECT_EQ(h.windowHeight, c.width == 0 ? 0 : 600);
    EXPECT_EQ((h.infoFlags & kInfoGamepadPolling) != 0, c.polling);
    EXPECT_EQ(h.word104, c.version >= 11 ? 0x1122334455667788ull : 0u);
    EXPECT_EQ(h.versionAtLeast15, c.version >= 15);
    EXPECT_EQ(h.configName.value_or("<none>"), "Default");
    // Old headers have no game name: their room order stands where it would be.
    EXPECT_EQ(h.gameName.value_or("<none>"), c.version >= 8 ? "Wires" : "<none>");
    EXPECT_EQ(Room_Order(), (std::vector<int32_t>{2, 0, 1}));
  }
}

TEST_F(GameDataTest, HeaderFlagsAndRunStateFields) {
  ContainerWriter writer;
  container::Gen8Header header;
  header.first_byte = 3;
  header.game_id = 4711;
  header.last_instance_id = 100123;
  header.header_flags = kHeaderRestrictedExternals | kHeaderScriptObjectMode | kHeaderFullScreen;
  header.config_name.reset();
  container::write_gen8(writer, header);
  ASSERT_TRUE(ScanAndLoad(Build(writer)));
  EXPECT_TRUE(g_GameHeader.debugFlag);
  EXPECT_EQ(g_GameHeader.firstByte, 3);
  EXPECT_EQ(g_GameHeader.gameId, 4711);
  EXPECT_EQ(Room_InstanceIdCounter(), 100123);
  EXPECT_FALSE(g_GameHeader.configName.has_value());
  EXPECT_TRUE(g_RunnerOptions.restrictedExternals);
  EXPECT_TRUE(g_GameHeader.scriptObjectMode);
  EXPECT_EQ(g_GameHeader.headerFlags & kHeaderFullScreen, kHeaderFullScreen);
}

TEST_F(GameDataTest, OptionsInBothLayoutsAndInAWindow) {
  for (const bool inAWindow : {false, true}) {
    for (const bool oldLayout : {false, true}) {
      SCOPED_TRACE(std::string(oldLayout ? "old" : "new") + (inAWindow ? ", -inawindow" : ""));
      g_RunnerOptions.inAWindow = inAWindow;
      g_GameOptions = GameOptions();
      ContainerWriter writer;
      container::write_gen8(writer, {});
      const std::vector<container::OptnConstant> constants = {{"VersionMajor", "2"}, {"VersionMinor", "17"}};
      if (oldLayout) {
        container::OptnOldLayout o;
        o.set(container::optn_old::kFullScreen, 1);
        o.set(container::optn_old::kScale, 150);
        o.set(container::optn_old::kVariableRead, 1);
        o.set(container::optn_old::kWindowColour, 0x123456);
        o.constants = constants;
        container::write_optn(writer, o);
      } else {
        container::OptnNewLayout o;
        o.flags = container::optn_new::kFullScreen | container::optn_new::kVariableRead;
        o.scale = 150;
        o.window_colour = 0x123456;
        o.constants = constants;
        container::write_optn(writer, o);
      }
      ASSERT_TRUE(ScanAndLoad(Build(writer))) << Game_LoadFailure();
      const GameOptions& o = g_GameOptions;
      EXPECT_EQ(o.fullScreen, !inAWindow);
      EXPECT_EQ(o.scale, 150);
      EXPECT_EQ(o.windowColour, 0x123456u);
      EXPECT_TRUE(o.variableReadOption);
      EXPECT_FALSE(o.showCursor);  // its word or flag is clear in both chunks
      EXPECT_EQ(o.versionMajor, 2);
      EXPECT_EQ(o.versionMinor, 17);
      EXPECT_EQ(o.constantNames, (std::vector<std::string>{"VersionMajor", "VersionMinor"}));
      EXPECT_EQ(o.constantValues, (std::vector<std::string>{"2", "17"}));
    }
  }
}

TEST_F(GameDataTest, OptionsOfAnotherLayoutVersionChangeNothing) {
  ContainerWriter writer;
  container::OptnNewLayout o;
  o.layout_version = 1;
  o.flags = container::optn_new::kFullScreen;
  o.scale = 150;
  o.constants = {{"A", "1"}};
  container::write_optn(writer, o);
  ASSERT_TRUE(ScanAndLoad(Build(writer)));
  EXPECT_FALSE(g_GameOptions.fullScreen);
  EXPECT_EQ(g_GameOptions.scale, 100);
  EXPECT_TRUE(g_GameOptions.constantNames.empty());
}

TEST_F(GameDataTest, ResetKeepsTheAudioEngineAndTheVersionNumbers) {
  g_GameOptions.newAudioEngine = true;
  g_GameOptions.versionMajor = 3;
  g_GameOptions.scale = 7;
  g_GameOptions.option[16] = true;
  g_GameOptions.option[6] = false;
  g_GameOptions.constantNames = {"x"};
  Options_Reset();
  EXPECT_TRUE(g_GameOptions.newAudioEngine);
  EXPECT_EQ(g_GameOptions.versionMajor, 3);
  EXPECT_TRUE(g_GameOptions.option[16]);
  EXPECT_EQ(g_GameOptions.scale, 100);
  EXPECT_TRUE(g_GameOptions.option[6]);
  EXPECT_EQ(g_GameOptions.option13, 255);
  EXPECT_TRUE(g_GameOptions.constantNames.empty());
}

// Damage anywhere the loader follows an offset or a count fails the load with a message that
// names the chunk, and nothing past the container is read (the sanitizer build checks that).
TEST_F(GameDataTest, DamagedChunksFailTheLoadNamingTheChunk) {
  struct Case {
    const char* name;
    void (*write)(ContainerWriter&);
    bool failsInScan;
    const char* chunk;
  };
  const Case cases[] = {
      {"header text past the end", [](ContainerWriter& w) { w.add_chunk("GEN8").u32(0x0F00).u32(0).u32(0x7FFFFFF0); },
       true, "chunk GEN8"},
      {"room order longer than the body",
       [](ContainerWriter& w) {
         auto& c = w.add_chunk("GEN8").u8(0).u8(15).zeros(126);
         c.u32(1000).u32(1);
       },
       false, "chunk GEN8"},
      {"string table longer than the body", [](ContainerWriter& w) { w.add_chunk("STRG").u32(3).u32(0); }, true,
       "chunk STRG"},
      {"code table longer than the body", [](ContainerWriter& w) { w.add_chunk("CODE").u32(0x40000000); }, true,
       "chunk CODE"},
      {"options constants longer than the body",
       [](ContainerWriter& w) { w.add_chunk("OPTN").i32(-1).u32(2).zeros(52).u32(5).u32(0); }, false,
       "chunk OPTN"},
      {"options constant name outside",
       [](ContainerWriter& w) { w.add_chunk("OPTN").i32(-1).u32(2).zeros(52).u32(1).u32(0xFFFFFF00u).u32(0); },
       false, "chunk OPTN"},
      {"options image outside",
       [](ContainerWriter& w) { w.add_chunk("OPTN").i32(-1).u32(2).zeros(44).u32(0x10000000); }, false,
       "chunk OPTN"},
      {"texture page entries longer than the body", [](ContainerWriter& w) { w.add_chunk("TPAG").u32(2).u32(0); },
       false, "chunk TPAG"},
      {"texture page entry outside",
       [](ContainerWriter& w) {
         w.add_chunk("TPAG").u32(1).u32(0xFFFFFFF0u);
         w.add_chunk("TXTR").u32(0);
       },
       false, "chunk TPAG"},
      {"texture page record outside", [](ContainerWriter& w) { w.add_chunk("TXTR").u32(1).u32(0x7FFFFFFF); }, false,
       "chunk TXTR"},
      {"texture page image outside",
       [](ContainerWriter& w) { w.add_chunk("TXTR").u32(1).offset_to("rec").label("rec").u32(0).u32(0x7FFFFFFF); },
       false, "chunk TXTR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContainerWriter writer;
    c.write(writer);
    m_bytes = Build(writer);
    const ContainerBytes container{m_bytes.data(), m_bytes.size()};
    const bool scanned = Game_ScanHeaderChunks(container);
    EXPECT_EQ(scanned, !c.failsInScan);
    if (scanned) {
      EXPECT_FALSE(Game_LoadChunks(m_bytes.data(), m_bytes.size()));
    }
    EXPECT_TRUE(Game_LoadFailed());
    EXPECT_EQ(std::string(Game_LoadFailure()).rfind(c.chunk, 0), 0u) << Game_LoadFailure();
  }
}

TEST_F(GameDataTest, BrokenFramingIsFoundBeforeAnyChunkIsRead) {
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"short", "FORM", "too short"},
      {"size word", std::string("FORM\x00\x00\x00\x00GEN8\x00\x00\x00\x00", 16), "size word says 0"},
      {"chunk past the end", std::string("FORM\x08\x00\x00\x00GEN8\xFF\xFF\xFF\xFF", 16), "chunk GEN8 at offset 8"},
      {"half a chunk header", std::string("FORM\x0C\x00\x00\x00GEN8\x00\x00\x00\x00XY\x00\x00", 20),
       "inside the header of a chunk at offset 16"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_FALSE(Game_ScanHeaderChunks({bytes.data(), bytes.size()}));
    EXPECT_NE(std::string(Game_LoadFailure()).find(c.says), std::string::npos) << Game_LoadFailure();
    g_routed.clear();
    EXPECT_FALSE(Game_LoadChunks(bytes.data(), bytes.size()));
    EXPECT_TRUE(g_routed.empty());
  }
}

// A program with a built-in game: its container wins over a named game file, the game path is
// the program's own, and every pass starts from a fresh copy (loading rewrites it).
LinkName g_variableA{"score_total", 0};
LinkName g_variableB{"speed", 0};
LinkName* g_variables[] = {&g_variableA, &g_variableB, &g_variableA, nullptr};
LinkName g_builtin{"draw_sprite", 0};
LinkName* g_builtins[] = {&g_builtin, nullptr};
std::vector<uint8_t> g_builtInGame;
void ProvideBuiltInGame(GameLinkRecord* record) {
  record->data = g_builtInGame.data();
  record->dataSize = static_cast<uint32_t>(g_builtInGame.size());
  record->functionCount = 116;
  record->variables = g_variables;
  record->builtins = g_builtins;
}

TEST_F(GameDataTest, BuiltInContainerWinsAndIsCopiedAfreshEveryPass) {
  ContainerWriter writer;
  container::add_minimal_game(writer);
  g_builtInGame = Build(writer);
  const std::string dir = host_test::MakeScratchDir("game");
  host_test::WriteFile(dir + "/data.win", host_test::MinimalContainer());
  Game_SetLinkRecordProvider(ProvideBuiltInGame);

  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    Host_ReplaceText(&g_pGameFilePath, (dir + "/data.win").c_str());
    testing::internal::CaptureStdout();
    RunnerLoadGame();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_STREQ(g_pGameFilePath, Win32_GetExePath());
    EXPECT_EQ(log.find("RunnerLoadGame() - "), std::string::npos) << log;
    std::string exeDir = Win32_GetExePath();
    exeDir.resize(exeDir.rfind('/'));
    EXPECT_NE(log.find("Checking if INIFile " + exeDir + "/options.ini Exists"), std::string::npos) << log;
    ASSERT_EQ(Game_ContainerSize(), g_builtInGame.size());
    EXPECT_NE(Game_Container(), g_builtInGame.data());
    EXPECT_EQ(std::memcmp(Game_Container(), g_builtInGame.data(), g_builtInGame.size()), 0);
    EXPECT_EQ(Game_Data().codeEntryCount, 116);

    // Slots made before the load move the page's slot away from its index, by one more each pass.
    for (int i = 0; i <= pass; ++i) GR_Texture_Load(nullptr, 0, 0);
    Game_ScanHeader(Game_Container(), Game_ContainerSize());
    ASSERT_TRUE(Game_LoadChunks(Game_Container(), Game_ContainerSize()));
    const uint32_t entry = Container_U32(Game_Data().texturePageEntries + 4);
    EXPECT_EQ(Container_U16(Game_Container() + entry + 20), pass + 1);  // rewritten from index 0
    EXPECT_EQ(Container_U16(g_builtInGame.data() + entry + 20), 0);     // the program's copy is untouched
    EXPECT_EQ(g_variableA.slot, 100000);
    EXPECT_EQ(g_variableB.slot, 100001);
    int32_t drawSprite = -1;  // the built-in is bound to its index in the table
    EXPECT_TRUE(Builtin_FindCallable("draw_sprite", &drawSprite));
    EXPECT_EQ(g_builtin.slot, drawSprite);
    Runner_FreeGameData();
    GR_Texture_FreeAll();
  }
  Host_FreeText(&g_pGameFilePath);
  Win32_ForgetProgramDirectory();
}

TEST_F(GameDataTest, DebugFileBesideTheGameIsKeptWithItsTables) {
  const std::string dir = host_test::MakeScratchDir("game");
  ContainerWriter game;
  container::add_minimal_game(game);
  const std::vector<uint8_t> gameBytes = Build(game);
  host_test::WriteFile(dir + "/x.win", std::string(gameBytes.begin(), gameBytes.end()));
  ContainerWriter debug;
  debug.add_chunk("DBGI").u32(7).u32(11).u32(12);
  debug.add_chunk("SCPT");
  debug.add_chunk("INST").u32(2).u32(21).u32(22);
  std::vector<uint8_t> debugBytes = Build(debug);
  std::memcpy(debugBytes.data(), "WXDB", 4);  // the file's own tag may be anything
  host_test::WriteFile(dir + "/x.wxdebug", std::string(debugBytes.begin(), debugBytes.end()));

  Host_ReplaceText(&g_pGameFilePath, (dir + "/x.win").c_str());
  RunnerLoadGame();
  const GameData& d = Game_Data();
  EXPECT_EQ(d.debugFilePath, dir + "/x.wxdebug");
  EXPECT_EQ(d.optionsFilePath, dir + "/options.ini");
  ASSERT_NE(d.debugInfo, nullptr);
  EXPECT_EQ(Container_U32(d.debugInfo), 11u);
  EXPECT_EQ(d.debugInfoSize, 8u);
  EXPECT_EQ(d.scriptTexts, nullptr);  // an empty chunk keeps nothing
  EXPECT_EQ(d.instanceNameCount, 2u);
  ASSERT_NE(d.instanceNames, nullptr);
  EXPECT_EQ(Container_U32(d.instanceNames + 4), 22u);
  Host_FreeText(&g_pGameFilePath);
  Win32_ForgetProgramDirectory();
}

TEST(GameDataPaths, OptionsAndDebugFilesBesideTheGame) {
  const struct {
    const char* game;
    const char* options;
    const char* debug;
  } cases[] = {
      {"/games/x.win", "/games/options.ini", "/games/x.wxdebug"},
      {"C:\\g\\x.win", "C:\\g/options.ini", "C:\\g\\x.wxdebug"},
      {"/a.b/game", "/a.b/options.ini", ""},
      {"x.win", "", "x.wxdebug"},
      {"/g/", "/g/options.ini", ""},
      {"/g/x.tar.win", "/g/options.ini", "/g/x.tar.wxdebug"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.game);
    EXPECT_EQ(Game_OptionsFilePath(c.game), c.options);
    EXPECT_EQ(Game_DebugFilePath(c.game), c.debug);
  }
}

TEST_F(GameDataTest, DamagedDebugFileIsALoadError) {
  const std::string broken[] = {
      std::string("WXDB\x10\x00\x00\x00", 8),                                   // size word
      std::string("WXDB\x08\x00\x00\x00INST\x00\x00\x00\x00", 16),               // fine: empty INST
      std::string("WXDB\x0C\x00\x00\x00INST\x04\x00\x00\x00\x09\x00\x00\x00", 20),  // 9 names in 0 bytes
  };
  const bool loads[] = {false, true, false};
  for (size_t i = 0; i < std::size(broken); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Game_LoadDebugFile(std::vector<uint8_t>(broken[i].begin(), broken[i].end())), loads[i]);
  }
}

}  // namespace

namespace {

void FreeGlobalObject() {
  WXObject_Free(g_pGlobalObject);
  g_pGlobalObject = nullptr;
}

// The global object holds one slot per global name, whether the names come from the byte code's
// variable chunk or from a translated game's link record, and the globals of one script are there
// for the next.
TEST_F(GameDataTest, GlobalObjectHasASlotPerGlobalAndKeepsGlobalsBetweenScripts) {
  RuntimeErrorCapture errors;
  container::BytecodeProgram program;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(".code writer\n  push.i.i 42\n  pop.v.i global.score vflags=10\n  ret.e\n"
                                           ".code reader\n  push.g.v global.score\n  ret.v\n",
                                           &program, &error))
      << error;
  ContainerWriter writer;
  writer.add_chunk("GEN8");  // empty: a game of defaults
  container::write_bytecode(writer, program);
  writer.add_string_pool();
  // Read, scanned and loaded as the start-up does.
  const std::vector<uint8_t> bytes = Build(writer);
  const std::string dir = host_test::MakeScratchDir("globals");
  host_test::WriteFile(dir + "/globals.win", std::string(bytes.begin(), bytes.end()));
  Host_ReplaceText(&g_pGameFilePath, (dir + "/globals.win").c_str());
  g_GameHeader.versionAtLeast15 = true;
  testing::internal::CaptureStdout();
  RunnerLoadGame();
  Game_ScanHeader(Game_Container(), Game_ContainerSize());
  const bool loaded = LoadGameData();
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(loaded) << Game_LoadFailure();
  ASSERT_NE(g_pGlobalObject, nullptr);
  EXPECT_GE(Variable_GlobalNameCount(), 1);
  EXPECT_EQ(g_pGlobalObject->m_slotCount, std::max(Variable_GlobalNameCount(), Variable_InstanceNameCount()));
  EXPECT_EQ(Variable_FindGlobalName("score"), 0);

  Game_SetCompiledMode(false);
  CCode writerCode(0, 0);
  CCode readerCode(1, 0);
  Game_SetCompiledMode(true);
  RValue result = RValue_MakeReal(-1);
  VM_ExecuteCode(&writerCode, nullptr, nullptr, &result, nullptr, 0, nullptr, 0, nullptr);
  VM_ExecuteCode(&readerCode, nullptr, nullptr, &result, nullptr, 0, nullptr, 0, nullptr);
  ASSERT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
  EXPECT_EQ(RValue_Kind(&result), VALUE_REAL);
  EXPECT_EQ(result.val, 42);
  RValue_Release(&result);
  FreeGlobalObject();
  Host_FreeText(&g_pGameFilePath);
  Win32_ForgetProgramDirectory();

  // A translated game's record sizes the tables; the larger count sizes the object.
  Runner_FreeGameData();
  GameLinkRecord record;
  record.globalCount = 7;
  record.instanceCount = 3;
  Game_UseLinkRecord(&record);
  Variable_ClearNames();
  ContainerWriter minimal;
  container::add_minimal_game(minimal);
  const std::vector<uint8_t> minimalGame = Build(minimal);
  ASSERT_TRUE(ScanAndLoad(minimalGame));
  ASSERT_NE(g_pGlobalObject, nullptr);
  EXPECT_EQ(Variable_GlobalNameCount(), 7);
  EXPECT_EQ(Variable_InstanceNameCount(), 3);
  EXPECT_EQ(g_pGlobalObject->m_slotCount, 7);
  // A second load in the same pass keeps the object the first made.
  WXObjectBase* first = g_pGlobalObject;
  ASSERT_TRUE(ScanAndLoad(minimalGame));
  EXPECT_EQ(g_pGlobalObject, first);
  FreeGlobalObject();
  Game_UseLinkRecord(nullptr);
}

}  // namespace
