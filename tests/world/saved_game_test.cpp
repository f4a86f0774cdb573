// Saved games through the world driver: a written game is started, saved to a file or a buffer,
// changed, and loaded at the start of the next step; damaged streams are refused whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/value.h"
#include "functions/buffer_functions.h"
#include "game_call.h"
#include "host/host_fixture.h"
#include "host/host_test_support.h"
#include "host/rooms.h"
#include "io/buffer.h"
#include "runtime/error_report.h"
#include "runtime/runner_options.h"
#include "script/variable_list.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/activation.h"
#include "world/instance_ids.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "world/builtin_variables.h"
#include "world/room_table.h"
#include "world/saved_game.h"
#include "world_driver.h"

namespace {

using container::RoomEntry;
using container::RoomInstanceEntry;

// A save area in a temporary directory, with the log captured.
class SaveArea final : public HostFilesTest {
 public:
  void TestBody() override {}
  void Open() { SetUp(); }
  void Close() { TearDown(); }
  using HostFilesTest::log;
  using HostFilesTest::root;
};

int g_endedWith = -1;

// What a refused load must leave as it was.
struct Snapshot {
  int32_t score, lives, roomIndex, instanceCounter, tileCounter, idTableCount, active, inactive;
  double health;
  CRoom* room;
  std::vector<CRoom*> copies;
  std::vector<int32_t> ids;
  std::vector<float> xs;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take() {
  Snapshot s{g_RunState.score,           g_RunState.lives,     Room_CurrentIndex,   Room_InstanceIdCounter(),
             Room_TileIdCounter(),       InstanceIdTable.Count(), 0, 0, g_RunState.health, Room_Current, Room_Copies,
             {},                         {}};
  if (Room_Current != nullptr) {
    s.active = Room_Current->active.count;
    s.inactive = Room_Current->inactive.count;
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
      s.ids.push_back(i->id);
      s.xs.push_back(i->x);
    }
  }
  return s;
}

std::unique_ptr<IBuffer> BufferOf(const std::vector<uint8_t>& bytes) {
  auto buffer = std::make_unique<Buffer_Standard>(static_cast<int32_t>(bytes.size()), eBuffer_Format_Grow, 1);
  if (!bytes.empty()) buffer->CopyIn(bytes.data(), static_cast<int64_t>(bytes.size()), 0, -1, 0);
  buffer->m_position = 0;
  return buffer;
}

int32_t Peek32(const std::vector<uint8_t>& bytes, size_t at) {
  int32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

void Poke32(std::vector<uint8_t>* bytes, size_t at, int32_t v) { std::memcpy(bytes->data() + at, &v, 4); }

std::vector<int32_t> Sorted(std::vector<int32_t> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

class SavedGameTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    m_area.Open();
    Game_ClearQueuedLoad();
    g_endedWith = -1;
    m_oldEnd = Error_SetEndProcess([](int code) { g_endedWith = code; });
    g_RunnerOptions.showErrors = false;
    game_call::Register();
  }
  void TearDown() override {
    Game_ClearQueuedLoad();
    Buffer_FreeAll();
    Error_SetEndProcess(m_oldEnd);
    Error_ClearSuppression();
    WorldDriverTest::TearDown();
    m_area.Close();
  }

  // Object 0 logs its steps. Room 0 holds 100001-100003; room 1 holds 100004.
  void Begin(bool firstPersistent = false) {
    RoomEntry first{.name = "first", .width = 320, .height = 240, .persistent = firstPersistent};
    first.instances = {At(100001, 10), At(100002, 20), At(100003, 30)};
    RoomEntry second{.name = "second", .width = 200, .height = 100};
    second.instances = {At(100004, 40)};
    ASSERT_TRUE(Load({first, second}, {LoggingObject("ob", {{kEventStep, 0}})}));
    Start();
    ASSERT_NE(Room_Current, nullptr);
    Room_SetInstanceIdCounter(100010);
    Room_SetTileIdCounter(10000020);
  }
  static RoomInstanceEntry At(int32_t id, int32_t x) { return RoomInstanceEntry{.x = x, .y = 5, .object = 0, .id = id}; }

  static std::vector<uint8_t> Stream() {
    Buffer_Standard buffer(1024, eBuffer_Format_Grow, 1);
    Game_SaveState(&buffer);
    return std::vector<uint8_t>(buffer.GetData(), buffer.GetData() + buffer.m_position);
  }
  static bool LoadBytes(const std::vector<uint8_t>& bytes) {
    std::unique_ptr<IBuffer> buffer = BufferOf(bytes);
    return Game_LoadState(buffer.get());
  }
  // The instance's variable "hp" in its variable map, NaN when it has none.
  static double Hp(CInstance* i) {
    RValue out = RValue_MakeUndefined();
    const bool found = i->m_properties->GetVar(Variable_FindOrAddUser("hp"), ARRAY_INDEX_NONE, &out);
    const double v = found && RValue_Kind(&out) == VALUE_REAL ? out.val : std::nan("");
    RValue_Release(&out);
    return v;
  }
  static void SetHp(CInstance* i, double v) {
    RValue value = RValue_MakeReal(v);
    i->m_properties->SetVar(Variable_FindOrAddUser("hp"), ARRAY_INDEX_NONE, &value);
  }
  static std::vector<int32_t> TileIds(const CRoom* room) {
    std::vector<int32_t> ids;
    for (const RoomTile& t : room->tiles) ids.push_back(t.id);
    return ids;
  }

  // Where the parts of a stream of the running game begin, for damaging them.
  struct Offsets {
    size_t globals, rooms, firstRecord, tileCount, activeCount, firstInstance, inactiveCount;
  };
  static Offsets Find() {
    Offsets o{};
    const auto text = [](const char* t) { return t != nullptr ? std::strlen(t) + 1 : 1; };
    const RunState& s = g_RunState;
    o.globals = 4 * 8 + text(s.captionScore) + 4 * 2 + text(s.captionLives) + 8 + 4 + text(s.captionHealth) + 4 * 3;
    Buffer_Standard globals(64, eBuffer_Format_Grow, 1);
    Variable_SaveGlobals(&globals);
    o.rooms = o.globals + static_cast<size_t>(globals.m_position);
    // The current room is the first slot.
    o.firstRecord = o.rooms + 4 * 4;
    const CRoom* room = Room_Copies[0];
    o.tileCount = o.firstRecord + room->caption.size() + 1 + 4 * 6 + room->creation_code_text.size() + 1 +
                  kRoomBackgroundCount * 13 * 4 + 4 + kRoomViewCount * 16 * 4;
    o.activeCount = o.tileCount + 4 + room->tiles.size() * 14 * 4;
    o.firstInstance = o.activeCount + 4;
    size_t instances = 0;
    for (CInstance* i = room->active.first; i != nullptr; i = i->list_next) {
      Buffer_Standard one(64, eBuffer_Format_Grow, 1);
      i->SaveToBuffer(&one);
      instances += static_cast<size_t>(one.m_position);
    }
    o.inactiveCount = o.firstInstance + instances;
    return o;
  }

  SaveArea m_area;
  ErrorEndProcessFn m_oldEnd = nullptr;
};

TEST_F(SavedGameTest, AGameSavedToAFileComesBackAtTheNextStep) {
  Begin();
  g_RunState.score = 7;
  g_RunState.lives = 3;
  g_RunState.health = 55.5;
  Host_ReplaceText(&g_RunState.captionScore, "Points: ");
  Host_ReplaceText(&g_RunState.captionLives, "Ships: ");
  Host_ReplaceText(&g_RunState.captionHealth, "Shield: ");
  CInstance* first = Instance(100001);
  first->SetPosition(12.5f, 40.0f);
  first->SetAlarm(2, 9);
  SetHp(first, 42.0);
  Instance_Deactivate(Instance(100003));
  UpdateActiveLists();
  ASSERT_EQ(Room_Current->inactive.count, 1);
  const int32_t savedRoom = Room_CurrentIndex;

  Game_Save("slot.sav");
  const std::string bytes = ReadAll(LoadSave_MapSavePath("slot.sav"));
  EXPECT_EQ(LoadSave_MapSavePath("slot.sav").rfind(m_area.root, 0), 0u) << "in the save area";
  ASSERT_GE(bytes.size(), 16u);
  const std::vector<uint8_t> stream(bytes.begin(), bytes.end());
  EXPECT_EQ(Peek32(stream, 0), kSavedGameMarker);
  // No virtual key: the input section is its marker and a count of 0.
  EXPECT_EQ(Peek32(stream, stream.size() - 8), kSavedGameMarker);
  EXPECT_EQ(Peek32(stream, stream.size() - 4), 0);

  // Changed after the save: all of it comes back.
  g_RunState.score = 0;
  g_RunState.lives = 0;
  g_RunState.health = 1.0;
  Host_ReplaceText(&g_RunState.captionScore, "x");
  first->SetPosition(0.0f, 0.0f);
  SetHp(first, 0.0);
  Room_Current->DeleteInstance(Instance(100002));
  ASSERT_NE(Room_Current->CreateInstance(1.0f, 1.0f, 0), nullptr);
  Room_SetTileIdCounter(10000500);

  Game_Load("slot.sav");
  EXPECT_EQ(g_RunState.score, 0) << "the load waits for the next step";
  Step();
  EXPECT_EQ(g_RunState.score, 7);
  EXPECT_EQ(g_RunState.lives, 3);
  EXPECT_EQ(g_RunState.health, 55.5);
  EXPECT_STREQ(g_RunState.captionScore, "Points: ");
  EXPECT_STREQ(g_RunState.captionLives, "Ships: ");
  EXPECT_STREQ(g_RunState.captionHealth, "Shield: ");
  EXPECT_EQ(Room_CurrentIndex, savedRoom);
  ASSERT_NE(Room_Current, nullptr);
  EXPECT_EQ(Room_Current, Room_Copies[static_cast<size_t>(savedRoom)]);
  EXPECT_EQ(Room_Current->width, 320);
  EXPECT_EQ(Room_Current->active.count, 2);
  ASSERT_EQ(Room_Current->inactive.count, 1);
  EXPECT_EQ(Room_Current->inactive.first->id, 100003);
  EXPECT_TRUE(Room_Current->inactive.first->deactivated);
  EXPECT_EQ(Instance(100011), nullptr) << "made after the save";
  CInstance* loaded = Instance(100001);
  ASSERT_NE(loaded, nullptr);
  EXPECT_NE(loaded, first) << "rebuilt";
  EXPECT_FLOAT_EQ(loaded->x, 12.5f);
  EXPECT_FLOAT_EQ(loaded->y, 40.0f);
  EXPECT_EQ(loaded->GetAlarm(2), 9) << "no alarm handler counts it down";
  EXPECT_EQ(Hp(loaded), 42.0);
  ASSERT_NE(Instance(100002), nullptr);
  EXPECT_NE(Instance(100003), nullptr) << "a deactivated instance is found by id";
  EXPECT_EQ(Object_Data(0)->instances.count, 2) << "the active ones joined their object";
  EXPECT_EQ(Sorted(Ran(kEventStep, 0)), (std::vector<int32_t>{100001, 100002})) << "and run in the loading step";
  EXPECT_EQ(Room_TileIdCounter(), 10000020);
  CInstance* made = Room_Current->CreateInstance(0.0f, 0.0f, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->id, 100011) << "the id counter goes on from the saved one";
  EXPECT_EQ(Run(3), 3);
}

TEST_F(SavedGameTest, ARoomRecordKeepsViewsTilesAndNotTheClearFlags) {
  Begin();
  CRoom* room = Room_Current;
  room->views[1].view_x = 10.75f;
  room->views[1].view_w = -3.9f;
  room->clear_view_background = true;
  room->clear_display_buffer = true;
  for (int32_t id : {5, 7, 9}) {
    RoomTile tile;
    tile.id = id;
    tile.depth = static_cast<float>(id);
    room->tiles.push_back(tile);
  }
  room->TilesReordered();
  const std::vector<uint8_t> stream = Stream();
  const int32_t tileCounter = Room_TileIdCounter();

  ASSERT_TRUE(LoadBytes(stream));
  ASSERT_NE(Room_Current, room);
  EXPECT_EQ(Room_Current->views[1].view_x, 10.0f);
  EXPECT_EQ(Room_Current->views[1].view_w, -3.0f) << "truncated toward zero";
  EXPECT_EQ(TileIds(Room_Current), (std::vector<int32_t>{5, 7, 9}));
  EXPECT_EQ(Room_Current->tiles.capacity(), 3u);
  EXPECT_EQ(Room_Current->FindTile(7), 1);
  EXPECT_EQ(Room_TileIdCounter(), tileCounter);
  EXPECT_FALSE(Room_Current->clear_view_background);
  EXPECT_FALSE(Room_Current->clear_display_buffer);
}

// A kept room's instances come back outside the id table and their objects, and are entered
// again with the room; saved and loaded twice, none is deleted twice.
TEST_F(SavedGameTest, APersistentRoomsInstancesWaitForTheRoom) {
  Begin(/*firstPersistent=*/true);
  Instance_Deactivate(Instance(100003));
  UpdateActiveLists();
  Room_Goto(1);
  ASSERT_EQ(Room_CurrentIndex, 1);
  ASSERT_NE(Room_Copies[0], nullptr);

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(LoadBytes(Stream()));
    ASSERT_EQ(Room_CurrentIndex, 1);
    const CRoom* kept = Room_Copies[0];
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->active.count, 2);
    EXPECT_EQ(kept->inactive.count, 1);
    for (int32_t id : {100001, 100002, 100003}) EXPECT_EQ(Instance(id), nullptr) << id;
    EXPECT_NE(Instance(100004), nullptr);
    EXPECT_EQ(Object_Data(0)->instances.count, 1);
  }
  Step();
  EXPECT_EQ(Ran(kEventStep, 0), (std::vector<int32_t>{100004}));

  Room_Goto(0);
  for (int32_t id : {100001, 100002, 100003}) EXPECT_NE(Instance(id), nullptr) << id;
  Step();
  EXPECT_EQ(Sorted(Ran(kEventStep, 0)), (std::vector<int32_t>{100001, 100002}));
}

// Rooms that the array held past the saved count go with the load (LeakSanitizer sees the rest).
TEST_F(SavedGameTest, ARoomAddedAfterTheSaveIsDeletedByTheLoad) {
  Begin();
  const std::vector<uint8_t> stream = Stream();
  const int32_t added = Room_Add();
  Room_Goto(added);
  ASSERT_EQ(Room_Copies.size(), static_cast<size_t>(added) + 1);
  ASSERT_NE(Room_Copies[static_cast<size_t>(added)], nullptr);

  ASSERT_TRUE(LoadBytes(stream));
  EXPECT_EQ(Room_Copies.size(), 2u);
  EXPECT_EQ(Room_CurrentIndex, 0);
  EXPECT_EQ(Run(2), 2);
}

TEST_F(SavedGameTest, TheQueueTakesOneFileAndBuffersByIndex) {
  Begin();
  g_RunState.score = 5;
  Game_Save("a.sav");
  g_RunState.score = 6;
  Game_Save("b.sav");
  g_RunState.score = 0;

  // A missing file: the warning names no path and nothing is queued.
  Game_Load("missing.sav");
  EXPECT_NE(m_area.log.text.find("WARNING: Game load failed,  not found\n"), std::string::npos) << m_area.log.text;
  Step();
  EXPECT_EQ(g_RunState.score, 0);

  // Two loads in one step: the first wins.
  Game_Load("a.sav");
  Game_Load("b.sav");
  EXPECT_NE(m_area.log.text.find("WARNING: Load game being ignored due to load game already queued\n"),
            std::string::npos);
  EXPECT_EQ(game_call::Call("game_load_buffer", nullptr, nullptr, {0}), 0.0) << "a file load is queued";
  Step();
  EXPECT_EQ(g_RunState.score, 5);

  // No buffer 7.
  EXPECT_EQ(game_call::Call("game_load_buffer", nullptr, nullptr, {7}), 0.0);
  EXPECT_NE(m_area.log.text.find("WARNING: No buffer available for 7\n"), std::string::npos);
  EXPECT_EQ(game_call::Call("game_save_buffer", nullptr, nullptr, {7}), 0.0);
}

TEST_F(SavedGameTest, ABufferIsWrittenAndReadAtItsPosition) {
  Begin();
  g_RunState.score = 11;
  const int32_t index = CreateBuffer(128, eBuffer_Format_Grow, 1);
  IBuffer* buffer = GetBuffer(index);
  buffer->Seek(0, 100);
  EXPECT_EQ(game_call::Call("game_save_buffer", nullptr, nullptr, {static_cast<double>(index)}), 1.0);
  const std::vector<uint8_t> bytes = buffer->CopyRegionOut(0, -1, false);
  EXPECT_EQ(Peek32(bytes, 96), 0);
  EXPECT_EQ(Peek32(bytes, 100), kSavedGameMarker);
  const int32_t end = buffer->m_position;

  g_RunState.score = 0;
  buffer->Seek(0, 100);
  EXPECT_EQ(game_call::Call("game_load_buffer", nullptr, nullptr, {static_cast<double>(index)}), 1.0);
  Step();
  EXPECT_EQ(g_RunState.score, 11);
  EXPECT_EQ(buffer->m_position, end) << "read to the stream's end";

  // Read from position 0, the stream is not there.
  g_RunState.score = 0;
  buffer->Seek(0, 0);
  Game_QueueLoad(index);
  Step();
  EXPECT_EQ(g_RunState.score, 0);

  // Deleted between the queue and the step: nothing is read.
  buffer->Seek(0, 100);
  ASSERT_TRUE(Game_QueueLoad(index));
  ASSERT_TRUE(FreeBuffer(index));
  m_area.log.text.clear();
  Step();
  EXPECT_EQ(g_RunState.score, 0);
  EXPECT_NE(m_area.log.text.find("WARNING: No buffer available for " + std::to_string(index) + "\n"),
            std::string::npos);
}

TEST_F(SavedGameTest, ADamagedStreamIsRefusedAndChangesNothing) {
  Begin();
  RoomTile tile;
  tile.id = 3;
  Room_Current->tiles.push_back(tile);
  Instance_Deactivate(Instance(100003));
  UpdateActiveLists();
  const std::vector<uint8_t> good = Stream();
  const Offsets at = Find();
  ASSERT_EQ(Peek32(good, at.rooms), 2) << "two run-time room slots";
  ASSERT_EQ(Peek32(good, at.tileCount), 1);
  ASSERT_EQ(Peek32(good, at.activeCount), 2);
  ASSERT_EQ(Peek32(good, at.inactiveCount), 1);

  g_RunState.score = 3;
  Room_Current->CreateInstance(1.0f, 1.0f, 0);
  const Snapshot before = Take();
  const struct {
    const char* name;
    size_t at;
    int32_t value;
  } cases[] = {
      {"another marker", 0, 850},
      {"a room count past the data", at.rooms, 0x7FFFFFFF},
      {"a negative room count", at.rooms, -1},
      {"a negative instance id counter", at.rooms + 4, -5},
      {"no current room among the rooms", at.rooms, 0},
      {"a tile count past the data", at.tileCount, 0x7FFFFFFF},
      {"an active count past the data", at.activeCount, 0x7FFFFFFF},
      {"an inactive count past the data", at.inactiveCount, 0x7FFFFFFF},
      {"an instance of no object", at.firstInstance + 8, 999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bad = good;
    Poke32(&bad, c.at, c.value);
    m_area.log.text.clear();
    EXPECT_FALSE(LoadBytes(bad));
    EXPECT_EQ(Take(), before);
    EXPECT_NE(m_area.log.text.find("WARNING: Game load failed"), std::string::npos) << m_area.log.text;
  }
  // Cut anywhere, the stream is refused whole.
  for (size_t cut = 0; cut < good.size(); ++cut) {
    ASSERT_FALSE(LoadBytes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))))
        << cut;
    ASSERT_EQ(Take(), before) << cut;
  }
  EXPECT_EQ(Run(2), 2) << "the game goes on";
  EXPECT_TRUE(LoadBytes(good)) << "the stream itself was sound";
}

// The id the byte code's variable table gave a global (null instance) or instance variable name.
int32_t ByteCodeVariable(CInstance* instance, const char* name) {
  const int32_t slot = instance != nullptr ? Variable_FindInstanceName(name) : Variable_FindGlobalName(name);
  return slot < 0 ? -1 : slot + kUserVariableBase;
}

// A variable of the byte code's instance (null: the global object) as text: a real through
// std::to_string, a string as it is, "?" for anything else or nothing.
std::string ValueText(CInstance* instance, const char* name) {
  RValue out = RValue_MakeUndefined();
  const int32_t id = ByteCodeVariable(instance, name);
  const bool found = id >= 0 && (instance != nullptr ? Variable_GetValue(instance, id, ARRAY_INDEX_NONE, &out)
                                                     : Variable_GetGlobal(id, ARRAY_INDEX_NONE, &out));
  std::string text = "?";
  if (found && RValue_Kind(&out) == VALUE_REAL) {
    text = std::to_string(out.val);
  } else if (found && RValue_Kind(&out) == VALUE_STRING && out.pString != nullptr && out.pString->text != nullptr) {
    text = out.pString->text;
  }
  RValue_Release(&out);
  return text;
}

// The game the runner saves below: room 0 holds two instances of an object with no events. The
// second one's creation code moves it and gives it a variable; the room's creation code then sets
// the score, lives, health, a caption and two globals, and calls game_save("slot1.sav").
void WriteSavingGame(container::ContainerWriter& writer) {
  const char* const code =
      ".code moved\n"
      "push.i 77\npop.v.i builtin.x vflags=10\n"
      "push.d 2.5\npop.v.d self.hp vflags=10\nret.e\n"
      ".code room_code\n"
      "push.i 42\npop.v.i builtin.score vflags=10\n"
      "push.i 7\npop.v.i builtin.lives vflags=10\n"
      "push.d 55.5\npop.v.d builtin.health vflags=10\n"
      "push.s \"Points: \"\nconv.s.v\npop.v.v builtin.caption_score vflags=10\n"
      "push.i 9\npop.v.i global.coins vflags=10\n"
      "push.s \"north\"\nconv.s.v\npop.v.v global.heading vflags=10\n"
      "push.s \"slot1.sav\"\nconv.s.v\ncall.i game_save 1\npopz.v\nexit.i\n";
  container::BytecodeProgram program;
  std::string error;
  EXPECT_TRUE(container::assemble_bytecode(code, &program, &error)) << error;
  RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = 30};
  room.creation_code = 1;
  room.instances = {RoomInstanceEntry{.x = 10, .y = 5, .object = 0, .id = 100001},
                    RoomInstanceEntry{.x = 20, .y = 6, .object = 0, .id = 100002, .code = 0}};
  std::vector<container::ObjtEntry> objects(1);
  objects[0].name = "ob";
  container::MinimalGameParts parts;
  parts.rooms = std::span(&room, 1);
  parts.objects = objects;
  parts.code = &program;
  container::add_minimal_game(writer, parts);
}

// A file the built runner saved, run headless on the same game, restores that game's state in a
// fresh run of it here.
TEST_F(SavedGameTest, ASaveTheRunnerMadeLoadsIntoAFreshRunOfTheSameGame) {
  container::ContainerWriter writer;
  WriteSavingGame(writer);
  const std::string dir = host_test::MakeScratchDir("runner_save");
  const container::BuildResult written = writer.write_file(dir + "/game.win");
  ASSERT_TRUE(written.ok()) << written.error;
  std::filesystem::create_directories(dir + "/data");
  const host_test::RunResult run =
      host_test::RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-headless", "-debugoutput", "log.txt"}, dir,
                            {{"XDG_DATA_HOME", dir + "/data"}, {"SDL_VIDEODRIVER", "offscreen"}});
  const std::string runLog = host_test::Exists(dir + "/log.txt") ? host_test::ReadFile(dir + "/log.txt") : "";
  ASSERT_FALSE(run.timedOut) << runLog;
  ASSERT_EQ(run.exitCode, 0) << run.output << runLog;
  const std::string saved = host_test::FindFile(dir + "/data", "slot1.sav");
  ASSERT_NE(saved, "") << runLog;
  const std::string runnerBytes = host_test::ReadFile(saved);

  // The same game started here as the runner starts it: no link record, its code the byte code
  // (the fixture's teardown puts compiled mode back).
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  m_bytes = built.bytes;
  m_started = true;
  Game_UseLinkRecord(nullptr);
  Game_SetCompiledMode(false);
  Variable_Shutdown();  // the runner's built-in variables in place of the kit's two
  Variable_BuiltIn_Init();
  Game_MutableData().container = {m_bytes.data(), m_bytes.size()};  // what the byte code is read from
  ASSERT_TRUE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}));
  ASSERT_TRUE(Game_LoadChunks(m_bytes.data(), m_bytes.size())) << Game_LoadFailure();
  Start();
  ASSERT_EQ(g_RunState.score, 42) << "the creation code ran here too\n" << m_area.log.text;
  const Snapshot fresh = Take();
  ASSERT_EQ(fresh.active, 2);

  // Everything changed, then the runner's file (over the one the creation code saved here).
  g_RunState.score = 0;
  g_RunState.lives = 0;
  g_RunState.health = 1.0;
  Host_ReplaceText(&g_RunState.captionScore, "x");
  Room_Current->DeleteInstance(Instance(100002));
  ASSERT_NE(Room_Current->CreateInstance(1.0f, 1.0f, 0), nullptr);
  Instance(100001)->SetPosition(0.0f, 0.0f);
  RValue zero = RValue_MakeReal(0.0);
  ASSERT_TRUE(Variable_SetGlobal(ByteCodeVariable(nullptr, "coins"), ARRAY_INDEX_NONE, &zero));
  ASSERT_EQ(ValueText(nullptr, "coins"), std::to_string(0.0));
  Room_SetInstanceIdCounter(fresh.instanceCounter + 50);
  const std::string path = LoadSave_MapSavePath("slot1.sav");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << runnerBytes;
  }
  ASSERT_EQ(ReadAll(path), runnerBytes);

  Game_Load("slot1.sav");
  Step();
  EXPECT_EQ(g_RunState.score, 42);
  EXPECT_EQ(g_RunState.lives, 7);
  EXPECT_EQ(g_RunState.health, 55.5);
  EXPECT_STREQ(g_RunState.captionScore, "Points: ");
  EXPECT_EQ(ValueText(nullptr, "heading"), "north");
  EXPECT_EQ(ValueText(nullptr, "coins"), std::to_string(9.0));
  const Snapshot loaded = Take();
  EXPECT_EQ(loaded.roomIndex, fresh.roomIndex);
  EXPECT_EQ(loaded.instanceCounter, fresh.instanceCounter) << "the runner's counter";
  EXPECT_EQ(loaded.tileCounter, fresh.tileCounter);
  EXPECT_EQ(Sorted(loaded.ids), Sorted(fresh.ids));
  CInstance* moved = Instance(100002);
  ASSERT_NE(moved, nullptr);
  EXPECT_FLOAT_EQ(moved->x, 77.0f);
  EXPECT_FLOAT_EQ(moved->y, 6.0f);
  EXPECT_EQ(ValueText(moved, "hp"), std::to_string(2.5));
  ASSERT_NE(Instance(100001), nullptr);
  EXPECT_FLOAT_EQ(Instance(100001)->x, 10.0f);
  EXPECT_EQ(Object_Data(0)->instances.count, 2);
  EXPECT_EQ(Run(3), 3) << "the game goes on";
}

TEST_F(SavedGameTest, AnotherCountOfGlobalsIsAFormatChange) {
  Begin();
  std::vector<uint8_t> stream = Stream();
  const Offsets at = Find();
  Poke32(&stream, at.globals, Peek32(stream, at.globals) + 1);
  const Snapshot before = Take();
  EXPECT_FALSE(LoadBytes(stream));
  EXPECT_EQ(Take(), before) << "the rooms are not loaded";
  ASSERT_NE(error_last, nullptr);
  EXPECT_NE(std::string(error_last->text).find("Save game format has changed"), std::string::npos);
}

TEST_F(SavedGameTest, SavingARoomThatUsesPhysicsIsFatal) {
  Begin();
  Room_Current->uses_physics = true;
  const int32_t index = CreateBuffer(16, eBuffer_Format_Grow, 1);
  EXPECT_TRUE(Game_SaveBuffer(index));
  EXPECT_EQ(g_endedWith, 1);
  ASSERT_NE(error_last, nullptr);
  EXPECT_NE(std::string(error_last->text).find("ERROR: game_save unavailable for rooms using physics"),
            std::string::npos);
  Room_Current->uses_physics = false;
  g_RoomChangeCode = kRoomChangeNone;
}

}  // namespace
