// Rooms as the runner enters them: what the ROOM chunk keeps, the
// start of the game in the first room of the room order, the end of the game, and a room's speed
// kept on the real clock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "container/gen8.h"
#include "container/minimal.h"
#include "container/room.h"
#include "container/writer.h"
#include "core/console.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "host/frame_loop.h"
#include "host/game_loader.h"
#include "runtime/game_header.h"
#include "host/host_fixture.h"
#include "io/program.h"
#include "io/input.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "host/startup.h"
#include "platform/window/messages.h"
#include "world/lifecycle.h"
#include "world/path.h"
#include "world/room_table.h"
#include "world/timeline.h"
#include "world/instance.h"
#include "world/room.h"
#include "io/display.h"
#include "runtime/connectivity.h"

namespace {

using container::RoomEntry;

class RoomsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_RunnerOptions = RunnerOptions();
    g_GameOptions = GameOptions();
    GameHeader_Reset();
    g_RoomChangeCode = kRoomChangeNone;
    m_savedConsole = g_pDebugConsole;
    g_pDebugConsole = &m_log;
  }
  void TearDown() override {
    g_pDebugConsole = m_savedConsole;
    Runner_DeleteRoomCopies();
    Room_SetCurrent(nullptr);
    Room_Shutdown();
    Runner_FreeGameData();
    g_RoomChangeCode = kRoomChangeNone;
    g_Host.running = 0;
    g_RunnerOptions = RunnerOptions();
  }

  // Loads the bytes as the start-up does; they stay alive in the fixture.
  bool Load(const container::ContainerWriter& writer) {
    const container::BuildResult built = writer.build();
    EXPECT_TRUE(built.ok()) << built.error;
    m_bytes = built.bytes;
    if (!Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()})) return false;
    return Game_LoadChunks(m_bytes.data(), m_bytes.size());
  }
  bool LoadMinimalGame(std::span<const RoomEntry> rooms) {
    container::ContainerWriter writer;
    container::add_minimal_game(writer, rooms);
    return Load(writer);
  }

  std::vector<uint8_t> m_bytes;
  CaptureConsole m_log;
  tagIConsole* m_savedConsole = nullptr;
};

TEST_F(RoomsTest, TheRoomChunkKeepsEachRoomsNameSizeAndSpeed) {
  const RoomEntry rooms[] = {
      {.name = "hall", .width = 800, .height = 600, .speed = 30},
      {.empty_slot = true},
      {.name = std::nullopt, .width = 16, .height = 8, .speed = 0},
  };
  ASSERT_TRUE(LoadMinimalGame(rooms)) << Game_LoadFailure();
  EXPECT_EQ(Room_Number(), 3);
  EXPECT_EQ(Room_Order(), (std::vector<int32_t>{0, 2}));
  for (int32_t missing : {-1, 1, 3, 1000}) {
    EXPECT_FALSE(Room_Exists(missing)) << missing;
    EXPECT_EQ(Room_Data(missing), nullptr) << missing;
    EXPECT_STREQ(Room_Name(missing), "<undefined>") << missing;
  }
  const CRoom* hall = Room_Data(0);
  ASSERT_NE(hall, nullptr);
  EXPECT_STREQ(Room_Name(0), "hall");
  EXPECT_EQ(hall->width, 800);
  EXPECT_EQ(hall->height, 600);
  EXPECT_EQ(hall->m_speed, 30);
  const CRoom* unnamed = Room_Data(2);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_STREQ(Room_Name(2), "<undefined>");
  EXPECT_EQ(unnamed->m_speed, 0);

  // The next load starts from nothing.
  ASSERT_TRUE(LoadMinimalGame({}));
  EXPECT_EQ(Room_Number(), 0);
  EXPECT_TRUE(Room_Order().empty());
}

TEST_F(RoomsTest, LoadingRoomsForgetsTheGuiSize) {
  Display_GuiSize = DisplayExtent{200, 100};
  ASSERT_TRUE(LoadMinimalGame({}));
  EXPECT_EQ(Display_GuiSize.width, -1);
  EXPECT_EQ(Display_GuiSize.height, -1);
}

TEST_F(RoomsTest, TheFirstRoomPlacesItsInstancesWithTheirIds) {
  RoomEntry room{.name = "r"};
  room.instances = {{.x = 5, .y = 6, .object = -1, .id = 100007}, {.x = 1, .y = 2, .object = 0, .id = 100009}};
  container::ContainerWriter writer;
  container::ObjtEntry object;
  object.name = "obj";
  const container::ObjtEntry objects[] = {object};
  container::add_minimal_game(writer, std::span(&room, 1), objects);
  ASSERT_TRUE(Load(writer)) << Game_LoadFailure();
  StartGame();
  ASSERT_NE(Room_Current, nullptr);
  ASSERT_EQ(Room_Current->active.count, 1) << "a record without an object is passed over";
  EXPECT_EQ(Room_Current->active.first->id, 100009);
  EXPECT_EQ(Room_Current->active.first->x, 1.0f);
  EXPECT_TRUE(Room_Current->active.first->create_event_run);
  Runner_EndGame();
  EXPECT_EQ(Room_Current, nullptr);
}

// Damage in the ROOM chunk fails the load naming the chunk, and nothing past the container is
// read (the sanitizer build checks that). Each chunk is the container's last, so "the end" is
// the end of the container.
TEST_F(RoomsTest, DamagedRoomChunkFailsTheLoad) {
  const struct {
    const char* name;
    void (*write)(container::ChunkBuilder&);
    const char* says;
  } cases[] = {
      {"list longer than the body", [](container::ChunkBuilder& c) { c.u32(3).u32(0); }, "3 entries of 4 bytes"},
      {"entry outside", [](container::ChunkBuilder& c) { c.u32(1).u32(0xFFFFFFF0u); },
       "room 0's entry at container offset 4294967280 lies outside"},
      {"entry cut short by the end",
       [](container::ChunkBuilder& c) { c.u32(2).u32(0).offset_to("e").label("e").zeros(16); }, "room 1's entry"},
      {"name outside", [](container::ChunkBuilder& c) { c.u32(1).offset_to("e").label("e").u32(0xFFFFFF00u).zeros(84); },
       "room 0's name at container offset 4294967040 does not end inside"},
      {"name without its end",
       [](container::ChunkBuilder& c) { c.u32(1).offset_to("e").label("e").offset_to("n").zeros(84).label("n").u8('a'); },
       "room 0's name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    container::ContainerWriter writer;
    container::write_gen8(writer, {});
    writer.add_string_pool();
    c.write(writer.add_chunk("ROOM"));
    EXPECT_FALSE(Load(writer));
    EXPECT_TRUE(Game_LoadFailed());
    const std::string failure = Game_LoadFailure();
    EXPECT_EQ(failure.rfind("chunk ROOM: ", 0), 0u) << failure;
    EXPECT_NE(failure.find(c.says), std::string::npos) << failure;
    EXPECT_EQ(Room_Number(), 0);
  }
}

TEST_F(RoomsTest, TheGameStartsInTheFirstRoomOfTheOrderAndItsEndFreesTheRoom) {
  const RoomEntry rooms[] = {{.name = "a", .width = 100, .height = 50, .speed = 60},
                             {.name = "b", .width = 320, .height = 240, .speed = 25}};
  // The order's first room is not the table's first.
  ASSERT_TRUE(LoadMinimalGame(rooms));
  Room_LoadOrder({1, 0});
  g_RoomChangeCode = kRoomChangeEndGame;  // left over from a game that ended

  StartGame();
  ASSERT_NE(Room_Current, nullptr);
  EXPECT_EQ(Room_Current->m_speed, 25);
  EXPECT_EQ(Room_Current->width, 320);
  EXPECT_EQ(Room_Current->height, 240);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
  EXPECT_EQ(Runner_RoomSpeed(), 25);
  EXPECT_NE(m_log.text.find("StartGame: room 1 \"b\" (320 x 240, speed 25)\n"), std::string::npos) << m_log.text;

  // A restart ends the game and enters the first room again in a fresh copy, whatever the
  // running copy was changed to.
  Room_Current->m_speed = 5;
  Runner_EndGame();
  EXPECT_EQ(Room_Current, nullptr);
  StartGame();
  ASSERT_NE(Room_Current, nullptr);
  EXPECT_EQ(Room_Current->m_speed, 25);

  Runner_EndGame();
  EXPECT_EQ(Room_Current, nullptr);
  // The sanitizer build finds a copy that was not freed.
}

TEST_F(RoomsTest, WithoutARoomToEnterTheGameEndsAfterItsFirstFrame) {
  const struct {
    const char* name;
    std::vector<int32_t> order;
    const char* says;
  } cases[] = {
      {"no rooms", {}, nullptr},
      {"first room of the order missing", {7, 0}, "StartGame: the first room 7 does not exist\n"},
      {"first room of the order an empty slot", {1, 0}, "StartGame: the first room 1 does not exist\n"},
      {"negative room", {-1}, "StartGame: the first room -1 does not exist\n"},
  };
  const RoomEntry rooms[] = {{.name = "a"}, {.empty_slot = true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(LoadMinimalGame(c.order.empty() ? std::span<const RoomEntry>() : std::span<const RoomEntry>(rooms)));
    Room_LoadOrder(c.order);
    m_log.text.clear();
    g_RoomChangeCode = kRoomChangeNone;
    StartGame();
    EXPECT_EQ(Room_Current, nullptr);
    EXPECT_EQ(g_RoomChangeCode, kRoomChangeEndGame);
    if (c.says != nullptr) {
      EXPECT_NE(m_log.text.find(c.says), std::string::npos) << m_log.text;
    }
    Runner_EndGame();
  }
}

TEST_F(RoomsTest, PreparationRunsItsStepsInOrder) {
  ASSERT_TRUE(LoadMinimalGame({}));
  m_log.text.clear();
  EXPECT_TRUE(Runner_PrepareAll());
  size_t at = 0;
  for (const char* line : {"Extension_Prepare() \n", "Code_Constant_Prepare() \n", "Script_Prepare() \n",
                           "TimeLine_Prepare() \n", "Object_Prepare() \n", "Room_Prepare() \n", "Sound_Prepare() \n",
                           "InitGraphics() \n", "Finished PrepareGame() \n"}) {
    at = m_log.text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in order in\n" << m_log.text;
  }
}

// A debugger that asked to start paused enters the first room itself: StartGame enters none.
TEST_F(RoomsTest, StartingPausedForTheDebuggerEntersNoRoom) {
  const RoomEntry room{.name = "a"};
  ASSERT_TRUE(LoadMinimalGame(std::span(&room, 1)));
  Debug_StartPaused = true;
  StartGame();
  Debug_StartPaused = false;
  EXPECT_EQ(Room_Current, nullptr);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
  EXPECT_NE(m_log.text.find("StartGame() - DONE\n"), std::string::npos) << m_log.text;
  Runner_EndGame();
}

// The frames of a room of speed 30 on the real clock: about 90 in three seconds of wall time, and
// the script-visible fps near 30. The loop is the main loop's; a timer thread ends it after three
// seconds as closing the window does (a quit message pumped on the main thread).
std::atomic<bool> g_closeWindow{false};

void CloseWhenAsked() {
  if (g_closeWindow.exchange(false)) Win32_PostQuit();
}

class RoomSpeedWallClockTest : public RoomsTest {
 protected:
  void TearDown() override {
    Win32_SetPumpMessagesHook(nullptr);
    WindowMessage left;
    while (Window_PeekMessage(&left)) {
    }
    RoomsTest::TearDown();
  }
};

TEST_F(RoomSpeedWallClockTest, ARoomOfSpeedThirtyRunsThirtyFramesASecond) {
  const RoomEntry room{.name = "paced", .width = 320, .height = 240, .speed = 30};
  ASSERT_TRUE(LoadMinimalGame(std::span(&room, 1))) << Game_LoadFailure();
  Timing_Init();
  g_Host.running = 0;
  g_Host.pausedByDebugger = false;
  g_RunState.drawEnableDrawEvent = true;
  g_closeWindow = false;
  Win32_SetPumpMessagesHook(&CloseWhenAsked);
  const int64_t stepsBefore = g_RunState.stepCounter;

  std::thread timer([] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    g_closeWindow = true;
  });
  Runner_Begin();
  ASSERT_NE(Room_Current, nullptr);
  while (g_Host.running == 1) {
    IO_CopyPointerTable();
    Runner_Frame();
    Win32_PumpMessages();
  }
  timer.join();
  const int64_t frames = g_RunState.stepCounter - stepsBefore;
  const int32_t fps = g_FrameTiming.fps;
  Runner_EndGame();

  EXPECT_GE(frames, 80);
  EXPECT_LE(frames, 92);
  EXPECT_GE(fps, 27);
  EXPECT_LE(fps, 31);
  EXPECT_EQ(Room_Current, nullptr);
}

}  // namespace
