// The world driver: a whole game written with the container writer (rooms with their instances,
// objects whose handlers are the kit's logging event), loaded and started as the runner starts
// it, then run step by step through the game step, acting on room changes as the frame does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "assets/sprite_table.h"
#include "container/minimal.h"
#include "container/room.h"
#include "host/frame_loop.h"
#include "host/game_data.h"
#include "host/game_step.h"
#include "host/input.h"
#include "host/main_window.h"
#include "host/rooms.h"
#include "net/async_queue.h"
#include "assets/load_stand_in.h"
#include "assets/texture_pages.h"
#include "world/lifecycle.h"
#include "world/room_table.h"
#include "world/step_phases.h"
#include "world_test_support.h"

class WorldDriverTest : public ObjectWorldTest {
 protected:
  using Events = std::vector<std::pair<int32_t, int32_t>>;  // (type, number)

  void SetUp() override {
    ObjectWorldTest::SetUp();
    Sprite_DeleteAll();
    m_squares = 0;
    IO_Reset();
    IO_Update();  // the first update takes the live state over: messages count from here on
    WindowState_Reset();
    g_RoomChangeCode = kRoomChangeNone;
    Event_PassCounter = 0;
  }
  void TearDown() override {
    kit::TheLog().onEvent = nullptr;
    if (m_started) {
      Runner_EndGame();
      Room_Shutdown();
      Runner_FreeGameData();
      GR_Texture_FreeAll();
    }
    Async_Shutdown();
    Sprite_DeleteAll();
    IO_Reset();
    WindowState_Reset();
    g_RoomChangeCode = kRoomChangeNone;
    ObjectWorldTest::TearDown();
  }

  // Writes, loads and starts the game: its first room is entered.
  void Start(std::span<const container::RoomEntry> rooms, std::span<const container::ObjtEntry> objects) {
    container::ContainerWriter writer;
    container::add_minimal_game(writer, rooms, objects);
    container::BuildResult built = writer.build();
    ASSERT_TRUE(built.ok()) << built.error;
    m_bytes = std::move(built.bytes);
    ASSERT_TRUE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}));
    ASSERT_TRUE(Game_LoadChunks(m_bytes.data(), m_bytes.size())) << Game_LoadFailure();
    // Loading empties the sprite table: the squares made before take their indices again.
    for (int32_t i = 0; i < m_squares; ++i) AddSquare();
    ASSERT_TRUE(Runner_PrepareAll());
    // The minimal game's header counts ids from 100000: instances made later follow the placed ones.
    int32_t lastId = 100000;
    for (const container::RoomEntry& room : rooms) {
      for (const container::RoomInstanceEntry& i : room.instances) lastId = std::max(lastId, i.id);
    }
    Room_SetInstanceIdCounter(lastId);
    m_started = true;
    StartGame();
    ASSERT_NE(Room_Current, nullptr);
  }
  // One room of 320 x 240 holding these instances.
  void Start(std::vector<container::RoomInstanceEntry> instances, std::span<const container::ObjtEntry> objects) {
    container::RoomEntry room{.name = "r", .width = 320, .height = 240};
    room.instances = std::move(instances);
    Start(std::span(&room, 1), objects);
  }

  // One game step, then the room change it asked for; the events the step logged, in order.
  Events Step() {
    Seen().clear();
    Runner_Step();
    Events events;
    for (const kit::EventSeen& e : Seen()) events.emplace_back(e.type, e.number);
    if (g_RoomChangeCode >= 0) {
      const int32_t room = g_RoomChangeCode;
      g_RoomChangeCode = kRoomChangeNone;
      Room_Goto(room);
    }
    return events;
  }
  // The ids of the instances that ran the event in the last step.
  static std::vector<int32_t> Ran(int32_t type, int32_t number) {
    std::vector<int32_t> ids;
    for (const kit::EventSeen& e : Seen()) {
      if (e.type == type && e.number == number) ids.push_back(e.self);
    }
    return ids;
  }
  // The room's instance with that id.
  static CInstance* Instance(int32_t id) { return Instance_Find(id); }

  // A 32 x 32 sprite with its origin at its top left corner.
  int32_t Square() {
    ++m_squares;
    return AddSquare();
  }
  static int32_t AddSquare() {
    CSprite s;
    s.frameCount = 1;
    s.width = 32;
    s.height = 32;
    s.maskRight = 31;
    s.maskBottom = 31;
    return Sprite_Add(s);
  }

  bool m_started = false;
  int32_t m_squares = 0;
};
