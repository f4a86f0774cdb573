#include "world_driver.h"

#include <gtest/gtest.h>

#include "container/minimal.h"
#include "container/writer.h"
#include "host/frame_loop.h"
#include "host/game_data.h"
#include "host/game_header.h"
#include "host/game_step.h"
#include "host/link_record.h"
#include "host/rooms.h"
#include "host/run_state.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/lifecycle.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

std::string EventText(const kit::EventSeen& e) {
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

}  // namespace

void WorldDriverTest::SetUp() {
  RegistryTest::SetUp();
  g_RunnerOptions = RunnerOptions();
  GameHeader_Reset();
  Game_SetCompiledMode(true);
  kit::Install();
  Event_Current = EventContext{};
  g_RoomChangeCode = kRoomChangeNone;
  g_RunState.drawEnableDrawEvent = false;
}

void WorldDriverTest::TearDown() {
  if (Room_Current != nullptr) Runner_EndGame();
  Runner_DeleteRoomCopies();
  Runner_FreeCarriedInstances();
  Room_SetCurrent(nullptr);
  Room_Shutdown();
  InstanceQueues_Clear();
  InstanceIdTable.Clear(kDisposeNone);
  ObjectLists_FreeAll();
  Object_Shutdown();
  Runner_FreeGameData();
  Code_FreeSlots();
  kit::Uninstall();
  Event_Current = EventContext{};
  g_RoomChangeCode = kRoomChangeNone;
  g_RunState.drawEnableDrawEvent = true;
  g_RunnerOptions = RunnerOptions();
  RegistryTest::TearDown();
}

bool WorldDriverTest::Load(std::span<const container::RoomEntry> rooms, std::span<const container::ObjtEntry> objects) {
  container::ContainerWriter writer;
  container::add_minimal_game(writer, rooms, objects);
  return Load(writer);
}

bool WorldDriverTest::Load(const container::ContainerWriter& writer) {
  const container::BuildResult built = writer.build();
  EXPECT_TRUE(built.ok()) << built.error;
  m_bytes = built.bytes;
  bool loaded = Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()});
  // The kit's functions are the game's code: handlers and creation codes name them.
  Game_UseLinkRecord(kit::LinkRecord());
  loaded = loaded && Game_LoadChunks(m_bytes.data(), m_bytes.size());
  EXPECT_TRUE(loaded) << Game_LoadFailure();
  return loaded;
}

void WorldDriverTest::Start() {
  m_ended = false;
  StartGame();
}

int32_t WorldDriverTest::Run(int32_t n) {
  int32_t run = 0;
  while (run < n && !m_ended) {
    Runner_Step();
    ++run;
    if (!Runner_ActOnRoomChange()) m_ended = true;
  }
  return run;
}

void WorldDriverTest::StepPass() {
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

void WorldDriverTest::End() {
  Runner_EndGame();
}

std::vector<std::string> WorldDriverTest::Log() {
  std::vector<std::string> lines;
  for (const kit::EventSeen& e : kit::TheLog().events) lines.push_back(EventText(e));
  return lines;
}

void WorldDriverTest::ClearLog() { kit::TheLog().events.clear(); }

void WorldDriverTest::OnEvent(void (*hook)(CInstance*, CInstance*)) { kit::TheLog().onEvent = hook; }

container::ObjtEntry WorldDriverTest::LoggingObject(const char* name,
                                                    std::initializer_list<std::pair<int32_t, int32_t>> events,
                                                    bool persistent) {
  container::ObjtEntry o;
  o.name = name;
  o.persistent = persistent;
  for (const auto& [type, number] : events) o.on(static_cast<size_t>(type), static_cast<uint32_t>(number), kLog);
  return o;
}
