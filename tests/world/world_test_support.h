// A world of objects loaded from an OBJT chunk the container writer wrote, whose handlers are the
// translated kit's: the logging event (kit::kLogEvent) records self, other and the current event
// at every run, and calls the test's hook after it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "container/objt.h"
#include "container/writer.h"
#include "core/hand_made_room.h"
#include "core/registry_test_support.h"
#include "core/translated_kit.h"
#include "runtime/container.h"
#include "host/frame_loop.h"
#include "host/game_loader.h"
#include "runtime/game_header.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/path.h"
#include "world/room_table.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/timeline.h"

using container::ObjtEntry;

class ObjectWorldTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    kit::Install();
    m_scripts = kit::ScriptContainer();
    ASSERT_TRUE(kit::LoadScripts(&m_scripts));
    Room_Current = &m_room;
    Event_Current = EventContext{};
    m_format = g_GameHeader.formatVersion;
  }
  void TearDown() override {
    Room_Current = nullptr;
    m_room.active = InstanceList();  // the fixture deletes its instances itself
    m_room.inactive = InstanceList();
    for (CInstance* i : m_instances) delete i;
    m_instances.clear();
    InstanceIdTable.Clear(kDisposeNone);
    Object_Shutdown();
    ObjectLists_FreeAll();
    TimeLine_DeleteAll();
    kit::Uninstall();
    Code_FreeSlots();
    Game_ClearLoadFailure();
    g_GameHeader.formatVersion = m_format;
    Event_Current = EventContext{};
    argument_relative = false;
    RegistryTest::TearDown();
  }

  // An object entry named `name` whose parent is `parent` (-100: none).
  static ObjtEntry Entry(const char* name, int32_t parent = -100) {
    ObjtEntry e;
    e.name = name;
    e.parent_index = parent;
    return e;
  }

  // Writes the objects into a container of that format and loads its OBJT chunk into a fresh
  // table; true when the load succeeded. `damage` may change the bytes first.
  template <typename Damage>
  bool Load(std::span<const ObjtEntry> objects, uint8_t format, Damage damage) {
    container::ContainerWriter writer;
    container::write_objt(writer, objects, format);
    container::BuildResult built = writer.build();
    EXPECT_TRUE(built.ok()) << built.error;
    m_bytes = std::move(built.bytes);
    const ContainerBytes bytes{m_bytes.data(), m_bytes.size()};
    ContainerChunks chunks(bytes);
    ContainerChunk chunk;
    while (chunks.Next(&chunk) && std::string(chunk.tag) != "OBJT") {
    }
    m_objt = chunk.body != nullptr ? static_cast<uint32_t>(chunk.body - m_bytes.data()) : 0;
    damage(this);
    g_GameHeader.formatVersion = format;
    Game_ClearLoadFailure();
    Object_Init();
    const bool loaded = Object_Load(chunk.body, chunk.size, bytes);
    EXPECT_EQ(loaded, !Game_LoadFailed()) << Game_LoadFailure();
    return loaded && !Game_LoadFailed();
  }
  bool Load(std::span<const ObjtEntry> objects, uint8_t format = 15) {
    return Load(objects, format, [](ObjectWorldTest*) {});
  }
  bool Load(std::initializer_list<ObjtEntry> objects, uint8_t format = 15) {
    return Load(std::span(objects.begin(), objects.size()), format);
  }

  // An instance of the object, in the room's active list and the id table.
  CInstance* NewInstance(int32_t objectIndex, int32_t id) {
    return PlaceInstanceForTest(m_room, m_instances, objectIndex, id);
  }

  static std::vector<kit::EventSeen>& Seen() { return kit::TheLog().events; }

  static std::vector<int32_t> List(int32_t type, int32_t number) {
    int32_t count = 0;
    const int32_t* objects = ObjectLists_Get(type, number, &count);
    return std::vector<int32_t>(objects, objects + count);
  }

  std::vector<uint8_t> m_scripts;
  CRoom m_room;
  std::vector<CInstance*> m_instances;
  uint8_t m_format = 0;

 public:
  // The container of the last Load, which its damage step may patch.
  void Patch(uint32_t at, uint32_t value) { std::memcpy(m_bytes.data() + at, &value, 4); }
  std::vector<uint8_t> m_bytes;
  uint32_t m_objt = 0;  // the OBJT chunk's body, as a container offset
};
