// What a long game leaves behind: room changes, room restarts, game restarts and room_assign per
// level must give back what they take, so that an hour of play does not grow the runner.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdint>
#include <vector>

#include "core/memory_manager.h"
#include "host/frame_loop.h"
#include "host/rooms.h"
#include "world/commands.h"
#include "world/instance_ids.h"
#include "world/layers.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world_driver.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

using container::RoomEntry;
using container::RoomInstanceEntry;
using container::RoomLayerEntry;

constexpr std::pair<int32_t, int32_t> kCreate{kEventCreate, 0};

// Bytes the C++ heap has handed out and not taken back (the sanitizer's heap does not say).
int64_t HeapInUse() { return static_cast<int64_t>(mallinfo2().uordblks); }

struct Footprint {
  int64_t managerBytes;
  int32_t ids;
  int32_t layersMade;
  int32_t layersFree;
  int32_t tileStoreCapacity;
  bool operator==(const Footprint&) const = default;
};

Footprint Measure() {
  const LayerPoolStats pools = Layer_PoolStats();
  return {MemoryManager_BytesInUse(), InstanceIdTable.Count(), pools.layersMade, pools.layersFree,
          pools.tileStoreCapacity};
}

std::ostream& operator<<(std::ostream& out, const Footprint& f) {
  return out << "{manager " << f.managerBytes << ", ids " << f.ids << ", layers made " << f.layersMade << ", free "
             << f.layersFree << ", tile store " << f.tileStoreCapacity << "}";
}

class RoomMemoryTest : public WorldDriverTest {
 protected:
  static RoomInstanceEntry At(int32_t id, int32_t object) {
    return RoomInstanceEntry{.x = 10, .y = 20, .object = object, .id = id};
  }
  // A room with an instances layer holding its instances, a tiles layer and a background layer.
  static RoomEntry Room(const char* name, bool persistent, std::vector<RoomInstanceEntry> instances) {
    RoomEntry room{.name = name, .persistent = persistent, .layer_format = 2};
    room.instances = instances;
    RoomLayerEntry things{.id = 1, .kind = 2, .depth_index = 0};
    for (const RoomInstanceEntry& i : instances) things.instance_ids.push_back(i.id);
    RoomLayerEntry ground{.id = 2, .kind = 3, .depth_index = 1};
    ground.tiles = {container::RoomTileEntry{.id = 10000001}, container::RoomTileEntry{.x = 16, .id = 10000002}};
    RoomLayerEntry sky{.id = 3, .kind = 1, .depth_index = 2};
    room.layers = {things, ground, sky};
    return room;
  }
  // Goes to the room and runs the step that changes it and the next.
  void Goto(int32_t room) {
    Command_GotoRoom(room);
    Run(2);
    ClearLog();
  }
};

// A persistent hub and a level, left and entered 3,000 times with room and game restarts among
// them: the memory manager's bytes, the id table and the layer pools come back to where they were.
TEST_F(RoomMemoryTest, RoomChangesAndRestartsGiveBackWhatTheyTake) {
  ASSERT_TRUE(Load({Room("hub", true, {At(100001, 0), At(100002, 1)}), Room("level", false, {At(100003, 0), At(100004, 0)})},
                   {LoggingObject("ob", {kCreate}), LoggingObject("keeper", {kCreate}, true)}));
  Start();
  int32_t levelsEntered = 0;
  const auto cycle = [&](int32_t k) {
    Goto(1);
    levelsEntered += Room_CurrentIndex == 1 ? 1 : 0;
    if (k % 100 == 0) {
      Command_RestartRoom();
      Run(2);
    }
    Goto(0);
    if (k % 500 == 0) {
      Command_RestartGame();
      Run(2);
      ClearLog();
    }
  };
  // The first rounds grow the pools and caches to their working size.
  for (int32_t k = 0; k <= 500; ++k) cycle(k);
  const Footprint start = Measure();
  EXPECT_EQ(Room_CurrentIndex, 0);
  for (int32_t k = 1; k <= 1500; ++k) cycle(k);  // 3,000 room changes, 15 room and 3 game restarts
  EXPECT_EQ(Room_CurrentIndex, 0);
  EXPECT_EQ(Measure(), start);
  EXPECT_EQ(levelsEntered, 2001);
  ASSERT_NE(Room_Current, nullptr);
  EXPECT_EQ(Room_Current->active.count, 2);
  EXPECT_NE(Instance_Find(100001), nullptr);
  EXPECT_NE(Instance_Find(100002), nullptr);
}

// A game that room_assigns its level room from a template before each level: the definitions it
// replaces are freed, so 1,000 levels leave the heap where ten did.
TEST_F(RoomMemoryTest, AssigningARoomPerLevelKeepsMemoryFlat) {
  if (kSanitized) GTEST_SKIP() << "the sanitizer's heap does not report its use";
  RoomEntry templates[] = {Room("hub", false, {At(100001, 0)}), Room("level", false, {At(100002, 0)}),
                           Room("easy", false, {At(100003, 0), At(100004, 0)}),
                           Room("hard", false, {At(100005, 0), At(100006, 0), At(100007, 0)})};
  templates[2].creation_code = kLog;
  const container::ObjtEntry objects[] = {LoggingObject("ob", {kCreate})};
  ASSERT_TRUE(Load(templates, objects));
  Start();
  const auto level = [this](int32_t k) {
    ASSERT_TRUE(Room_Assign(1, 2 + k % 2));
    Goto(1);
    Goto(0);
  };
  for (int32_t k = 0; k < 10; ++k) level(k);
  const int64_t heap = HeapInUse();
  const int64_t manager = MemoryManager_BytesInUse();
  for (int32_t k = 0; k < 1000; ++k) level(k);
  EXPECT_EQ(MemoryManager_BytesInUse(), manager);
  // Each definition kept would hold its record lists and room record, a kilobyte or more.
  EXPECT_LT(HeapInUse() - heap, 64 * 1024) << "from " << heap;
  EXPECT_EQ(Room_Number(), 4);
}

// A definition replaced while a copy made from it waits (a kept room) or runs: the copy keeps
// the creation code it shares, and runs on.
TEST_F(RoomMemoryTest, ACopyOutlivesTheDefinitionItWasMadeFrom) {
  RoomEntry kept = Room("kept", true, {At(100001, 0)});
  kept.creation_code = kLog;
  RoomEntry other = Room("other", false, {At(100002, 0)});
  other.creation_code = kLog;
  ASSERT_TRUE(Load({kept, other}, {LoggingObject("ob", {kCreate})}));
  Start();
  const CCode* code = Room_Current->creation_code;
  ASSERT_NE(code, nullptr);
  const int32_t index = code->index;
  ASSERT_TRUE(Room_Assign(0, 1));  // the running room's definition goes
  Goto(1);
  ASSERT_TRUE(Room_Assign(1, 0));  // and now the definition the running copy came from
  Goto(0);
  ASSERT_EQ(Room_Current->creation_code, code) << "the kept copy still holds its code";
  EXPECT_EQ(Room_Current->creation_code->index, index);
  Command_RestartRoom();
  Run(1);
  EXPECT_EQ(Room_CurrentIndex, 0);
}

}  // namespace
