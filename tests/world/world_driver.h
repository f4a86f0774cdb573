// The world driver: a whole game written with the container writer (rooms with their instances,
// objects whose handlers are the kit's logging event), loaded and started as the runner starts
// it, then run step by step through the game step, acting on room changes as the frame does.
// Its event log names what ran in order: every handler and creation code that is the kit's
// logging event (kit::kLogEvent) writes a line.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "assets/sprite_table.h"
#include "container/minimal.h"
#include "container/room.h"
#include "host/frame_loop.h"
#include "host/game_loader.h"
#include "host/game_step.h"
#include "io/input.h"
#include "io/main_window.h"
#include "runtime/link_record.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "world/async_queue.h"
#include "assets/background.h"
#include "assets/texture_pages.h"
#include "world/event_context.h"
#include "world/instance_queues.h"
#include "world/lifecycle.h"
#include "world/object_lists.h"
#include "world/room_table.h"
#include "world/step_phases.h"
#include "world_test_support.h"

class WorldDriverTest : public ObjectWorldTest {
 protected:
  using Events = std::vector<std::pair<int32_t, int32_t>>;  // (type, number)
  static constexpr int32_t kLog = kit::kLogEvent;

  void SetUp() override {
    ObjectWorldTest::SetUp();
    g_RunnerOptions = RunnerOptions();
    Sprite_DeleteAll();
    m_squares = 0;
    IO_Reset();
    IO_Update();  // the first update takes the live state over: messages count from here on
    WindowState_Reset();
    g_RoomChangeCode = kRoomChangeNone;
    Event_PassCounter = 0;
  }
  void TearDown() override {
    EndStartedGame();
    g_RunState.drawEnableDrawEvent = true;
    g_RunnerOptions = RunnerOptions();
    Async_Shutdown();
    Sprite_DeleteAll();
    IO_Reset();
    WindowState_Reset();
    g_RoomChangeCode = kRoomChangeNone;
    ObjectWorldTest::TearDown();
  }

  // Ends the game started last and frees what it loaded, so that another can start.
  void EndStartedGame() {
    kit::TheLog().onEvent = nullptr;
    if (m_started) {
      Runner_EndGame();
      Runner_FreeCarriedInstances();
      Room_Shutdown();
      Runner_FreeGameData();
      GR_Texture_FreeAll();
    }
    m_started = false;
    InstanceQueues_Clear();
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

  // --- the other way in: load, then start and run, and read the event log ---------------------

  // Writes the rooms and objects into a game (room order 0, 1, ...) and loads it; false, with
  // the failure reported to the test, when the load fails. Start() then enters its first room.
  bool Load(std::span<const container::RoomEntry> rooms, std::span<const container::ObjtEntry> objects) {
    container::ContainerWriter writer;
    container::add_minimal_game(writer, rooms, objects);
    return Load(writer);
  }
  bool Load(std::initializer_list<container::RoomEntry> rooms, std::initializer_list<container::ObjtEntry> objects) {
    return Load(std::span(rooms.begin(), rooms.size()), std::span(objects.begin(), objects.size()));
  }
  // Loads what the writer holds (a game of any make-up).
  bool Load(const container::ContainerWriter& writer) {
    const container::BuildResult built = writer.build();
    EXPECT_TRUE(built.ok()) << built.error;
    m_bytes = built.bytes;
    m_started = true;
    bool loaded = Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()});
    // The kit's functions are the game's code: handlers and creation codes name them.
    Game_UseLinkRecord(kit::LinkRecord());
    loaded = loaded && Game_LoadChunks(m_bytes.data(), m_bytes.size());
    for (int32_t i = 0; loaded && i < m_squares; ++i) AddSquare();
    EXPECT_TRUE(loaded) << Game_LoadFailure();
    return loaded;
  }
  // The container last loaded (loading rewrites parts of it in place).
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  // Prepares and starts the loaded game (StartGame).
  void Start() {
    m_ended = false;
    ASSERT_TRUE(Runner_PrepareAll());
    // Preparing the objects leaves the last compiled event as the current one; the log tells code
    // run outside any event by a context without an object.
    Event_Current = EventContext{};
    StartGame();
  }
  // Runs up to n steps without drawing, each followed by the frame's room change; fewer when the
  // game ends. Returns the number run.
  int32_t Run(int32_t n) {
    const bool drawing = g_RunState.drawEnableDrawEvent;
    g_RunState.drawEnableDrawEvent = false;
    int32_t run = 0;
    while (run < n && !m_ended) {
      Runner_Step();
      ++run;
      if (!Runner_ActOnRoomChange()) m_ended = true;
    }
    g_RunState.drawEnableDrawEvent = drawing;
    return run;
  }
  // Runner_EndGame: Room End and Game End.
  static void End() { Runner_EndGame(); }
  // One pass of the Step event alone, as the step dispatches it: for each object of the Step
  // list, each instance in its object's instance list.
  static void StepPass() {
    int32_t count = 0;
    const int32_t* objects = ObjectLists_Get(kEventStep, 0, &count);
    for (int32_t k = 0; k < count; ++k) {
      const CObject* object = Object_Data(objects[k]);
      if (object == nullptr) continue;
      for (ObjectInstanceNode* node = object->instances.first; node != nullptr;) {
        ObjectInstanceNode* next = node->next;
        CInstance* i = node->instance;
        if (!i->marked && !i->deactivated) Event_Perform(i, i, kEventStep, 0);
        node = next;
      }
    }
  }

  // The lines of the event log: "<event> <self id>", where the event is Create, Destroy, Step,
  // GameStart, GameEnd, RoomStart, RoomEnd or "type/number"; code run outside any event (a
  // creation code) logs "code <self id>", the room's own creation code with self id 0.
  static std::vector<std::string> Log() {
    std::vector<std::string> lines;
    for (const kit::EventSeen& e : Seen()) lines.push_back(EventText(e));
    return lines;
  }
  static void ClearLog() { Seen().clear(); }
  // Called after each logged run with its instance (tests make handlers that act).
  static void OnEvent(void (*hook)(CInstance* self, CInstance* other)) { kit::TheLog().onEvent = hook; }
  // An object whose handlers for these (type, number) pairs are the logging event.
  static container::ObjtEntry LoggingObject(const char* name, std::initializer_list<std::pair<int32_t, int32_t>> events,
                                            bool persistent = false) {
    container::ObjtEntry o;
    o.name = name;
    o.persistent = persistent;
    for (const auto& [type, number] : events) o.on(static_cast<size_t>(type), static_cast<uint32_t>(number), kLog);
    return o;
  }

  bool m_started = false;
  int32_t m_squares = 0;
  bool m_ended = false;  // the game asked to end (game_end or a fatal error)

 private:
  static std::string EventText(const kit::EventSeen& e) {
    if (e.object < 0) return "code " + std::to_string(e.self);
    std::string name;
    if (e.type == kEventCreate) {
      name = "Create";
    } else if (e.type == kEventDestroy) {
      name = "Destroy";
    } else if (e.type == kEventStep && e.number == 0) {
      name = "Step";
    } else if (e.type == kEventOther && e.number >= 2 && e.number <= 5) {
      static const char* const kOther[] = {"GameStart", "GameEnd", "RoomStart", "RoomEnd"};
      name = kOther[e.number - 2];
    } else {
      name = std::to_string(e.type) + "/" + std::to_string(e.number);
    }
    return name + " " + std::to_string(e.self);
  }
};
